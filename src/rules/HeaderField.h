#pragma once
#include <string>
#include <string_view>
#include <vector>

// Header lines as the rules read them: one unfolded line per field, "Name: value".
namespace HeaderField {

// True when `line` starts with `name` (a field name with its colon) in any ASCII letter case; the
// second byte of a two-byte character is never folded.
bool HasName(std::string_view line, std::string_view name);

// The value as the text rules have always cut it: what follows the name and the one character
// after it (the blank), trailing blanks and controls dropped.
std::string RuleValue(std::string_view line, size_t nameSize);

// The value whole: everything after the name.
inline std::string_view Value(std::string_view line, size_t nameSize) {
    return line.size() > nameSize ? line.substr(nameSize) : std::string_view();
}

// Where the value of the field `name` (without its colon) starts in `line`, just after the
// colon; blanks between the name and the colon (an obsolete form mail programs still accept) are
// allowed. npos when the line is not that field.
size_t ValueStart(std::string_view line, std::string_view name);

// RuleValue of the first line named `name`; empty when there is none.
std::string FirstRuleValue(const std::vector<std::string>& lines, std::string_view name);

}  // namespace HeaderField
