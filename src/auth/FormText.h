#pragma once
#include <map>
#include <string>
#include <utility>
#include <vector>

// The text of HTML forms and URL queries (application/x-www-form-urlencoded): what a token
// request sends and what the browser's redirect brings back.
namespace FormText {

// Every byte but the unreserved ones (letters, digits, "-._~") as %XX.
std::string Escape(const std::string& text);
// "a=1&b=2" from the pairs, each side escaped.
std::string Join(const std::vector<std::pair<std::string, std::string>>& fields);
// The fields of "a=1&b=2" with "+" and %XX decoded; a name given twice keeps its first value.
// A broken %-escape makes the whole query unreadable (nothing).
bool Parse(const std::string& query, std::map<std::string, std::string>& fields);

}  // namespace FormText
