#include "learn/MailImport.h"

#include <algorithm>
#include <cstdio>

#include "history/FileSystem.h"
#include "learn/MessageHeader.h"

namespace {

bool IsEml(const std::string& name) {
    if (name.size() < 4) return false;
    std::string end = name.substr(name.size() - 4);
    for (char& c : end) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return end == ".eml";
}

// One line of the file without its line end; false at the end of the file. A line longer
// than the header bound is cut there (the rest is read and dropped).
bool ReadLine(std::FILE* file, std::string& line) {
    line.clear();
    int c;
    bool any = false;
    while ((c = std::fgetc(file)) != EOF) {
        any = true;
        if (c == '\n') break;
        if (line.size() < MessageHeader::MaxHeaderBytes) line += static_cast<char>(c);
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
}

}  // namespace

bool TMailImport::Read(const std::string& path, const THeaderSink& sink,
                       std::vector<std::string>& skipped) {
    if (!FileSystem::Exists(path)) return false;
    if (!FileSystem::ListFolder(path).empty()) return ReadFolder(path, sink, skipped);
    return ReadMbox(path, sink);
}

bool TMailImport::ReadFolder(const std::string& folder, const THeaderSink& sink,
                             std::vector<std::string>& skipped) {
    std::vector<std::string> names;
    for (const FileSystem::TEntry& entry : FileSystem::ListFolder(folder))
        if (!entry.IsFolder && IsEml(entry.Name)) names.push_back(entry.Name);
    std::sort(names.begin(), names.end());
    std::string bytes;
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string path = FileSystem::JoinPath(folder, names[i]);
        TLines header;
        if (FileSystem::ReadWhole(path, bytes)) header = MessageHeader::Lines(bytes);
        if (header.empty()) {
            skipped.push_back(path);
            continue;
        }
        if (!sink(std::move(header), double(i + 1) / double(names.size()))) return false;
    }
    return true;
}

bool TMailImport::ReadMbox(const std::string& path, const THeaderSink& sink) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::fseek(file, 0, SEEK_END);
    const double size = std::max<long>(std::ftell(file), 1);
    std::fseek(file, 0, SEEK_SET);
    std::string line, header;
    bool inHeader = false, previousEmpty = true, ok = true;
    const auto flush = [&] {
        TLines lines = MessageHeader::Lines(header);
        header.clear();
        if (lines.empty()) return true;
        return sink(std::move(lines), std::ftell(file) / size);
    };
    while (ok && ReadLine(file, line)) {
        const bool separator = previousEmpty && line.compare(0, 5, "From ") == 0;
        previousEmpty = line.empty();
        if (separator) {
            if (inHeader) ok = flush();
            inHeader = true;
            continue;
        }
        if (!inHeader) continue;
        if (line.empty()) {
            ok = flush();
            inHeader = false;
        } else if (header.size() < MessageHeader::MaxHeaderBytes) {
            header += line + "\n";
        }
    }
    if (ok && inHeader) ok = flush();
    std::fclose(file);
    return ok;
}
