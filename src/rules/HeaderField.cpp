#include "rules/HeaderField.h"

#include "headers/SjisText.h"

namespace HeaderField {

namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool HasName(std::string_view line, std::string_view name) {
    if (line.size() < name.size()) return false;
    // Each text folds on its own: a byte that is the second of a two-byte character stays.
    bool lineTrail = false, nameTrail = false;
    for (size_t i = 0; i < name.size(); ++i) {
        const char a = lineTrail ? line[i] : Upper(line[i]);
        const char b = nameTrail ? name[i] : Upper(name[i]);
        if (a != b) return false;
        lineTrail = !lineTrail && SjisText::IsLeadByte(line[i]) && i + 1 < line.size();
        nameTrail = !nameTrail && SjisText::IsLeadByte(name[i]) && i + 1 < name.size();
    }
    return true;
}

size_t ValueStart(std::string_view line, std::string_view name) {
    if (!HasName(line, name)) return std::string_view::npos;
    size_t at = name.size();
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    return at < line.size() && line[at] == ':' ? at + 1 : std::string_view::npos;
}

std::string RuleValue(std::string_view line, size_t nameSize) {
    size_t end = line.size();
    while (end > 0 && SjisText::IsBlank(line[end - 1])) --end;
    const size_t start = nameSize + 1;
    return end > start ? std::string(line.substr(start, end - start)) : std::string();
}

std::string FirstRuleValue(const std::vector<std::string>& lines, std::string_view name) {
    for (const std::string& line : lines) {
        if (HasName(line, name)) return RuleValue(line, name.size());
    }
    return std::string();
}

}  // namespace HeaderField
