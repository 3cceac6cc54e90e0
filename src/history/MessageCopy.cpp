#include "history/MessageCopy.h"

#include "headers/SjisText.h"
#include "history/FileSystem.h"

namespace {

// Tries for a free name before giving up; more copies of one id in one second do not happen.
constexpr int kNameTries = 100;

std::string NumberedPath(const std::string& path, int number) {
    if (number == 1) return path;
    const size_t dot = path.rfind('.');
    const size_t separator = path.find_last_of("\\/");
    const size_t cut =
        dot != std::string::npos && (separator == std::string::npos || dot > separator)
            ? dot
            : path.size();
    return path.substr(0, cut) + "-" + std::to_string(number) + path.substr(cut);
}

std::string FolderOf(const std::string& path) {
    size_t last = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (SjisText::IsLeadByte(path[i]))
            ++i;
        else if (path[i] == '/' || path[i] == FileSystem::Separator)
            last = i;
    }
    return last == std::string::npos ? "" : path.substr(0, last);
}

}  // namespace

TMessageCopy::~TMessageCopy() { Discard(); }

bool TMessageCopy::Open(const std::string& path) {
    Discard();
    State = TState::LineStart;
    Failed = false;
    const std::string folder = FolderOf(path);
    if (!folder.empty()) FileSystem::CreateFolders(folder);
    for (int number = 1; number <= kNameTries; ++number) {
        const std::string candidate = NumberedPath(path, number);
        if (FileSystem::Exists(candidate)) continue;
        File = FileSystem::CreateNew(candidate);
        if (File) {
            FilePath = candidate;
            return true;
        }
        if (!FileSystem::Exists(candidate)) return false;  // not taken: it cannot be made
    }
    return false;
}

size_t TMessageCopy::Feed(const char* bytes, size_t count) {
    Pending.clear();
    size_t used = 0;
    // The ending is CR LF "." CR LF, as the reply framer finds it; a line starts after CR LF.
    while (used < count && State != TState::Ended) {
        const char c = bytes[used++];
        switch (State) {
            case TState::LineStart:
                if (c == '.') {
                    State = TState::Dot;
                    continue;
                }
                break;
            case TState::Dot:
                if (c == '\r') {
                    State = TState::DotCr;
                    continue;
                }
                break;  // the first dot was stuffing
            case TState::DotCr:
                if (c == '\n') {
                    State = TState::Ended;
                    continue;
                }
                Pending += '\r';  // "." CR and more: a stuffed line that begins with CR
                break;
            default:
                break;
        }
        Pending += c;
        State = c == '\r'                               ? TState::AfterCr
                : c == '\n' && State == TState::AfterCr ? TState::LineStart
                                                        : TState::InLine;
    }
    if (!Failed && !Pending.empty() &&
        (!File || Write(Pending.data(), Pending.size()) != Pending.size()))
        Failed = true;
    return used;
}

bool TMessageCopy::Finish() {
    if (!File) return false;
    bool whole = !Failed && State == TState::Ended;
    whole = std::fflush(File) == 0 && whole;
    whole = std::fclose(File) == 0 && whole;
    File = nullptr;
    if (!whole) FileSystem::RemoveFile(FilePath);
    return whole;
}

size_t TMessageCopy::Write(const char* bytes, size_t count) {
    return std::fwrite(bytes, 1, count, File);
}

void TMessageCopy::Discard() {
    if (!File) return;
    std::fclose(File);
    File = nullptr;
    FileSystem::RemoveFile(FilePath);
}
