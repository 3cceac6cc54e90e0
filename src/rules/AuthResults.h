#pragma once
#include <string>
#include <string_view>
#include <vector>

// One Authentication-Results value (RFC 8601): the authserv-id, its optional version, and the
// method results, read past comments and quoted strings. Anyone can write such a header; only
// one whose authserv-id names the receiving provider says something.
class TAuthResults {
public:
    struct TResult {
        std::string Method;  // lower case, without its version
        std::string Value;   // lower case: "pass", "fail", ...
    };

    // Parses the value after "Authentication-Results:". False for a value without an
    // authserv-id: such a header reports nothing. A result that does not follow the grammar (no
    // method or value, an unclosed quote or comment) is skipped up to the next ";".
    static bool Parse(std::string_view value, TAuthResults& out);

    // True when the value has an authserv-id that equals `authServId` (ASCII case
    // ignored) and one of its results is dmarc=fail.
    static bool ReportsDmarcFail(std::string_view value, std::string_view authServId);

    // The authserv-id of the topmost Authentication-Results line (the one the last server
    // added); empty when there is none or it is malformed.
    static std::string TopmostAuthServId(const std::vector<std::string>& lines);

    // The authserv-id most of `ids` name (ASCII case ignored, empty ones skipped), spelled as it
    // came first; among equally common ones the first seen. Empty when every id is empty.
    static std::string MostCommon(const std::vector<std::string>& ids);

    static constexpr const char* FieldName = "Authentication-Results:";

    std::string AuthServId;  // as written, quotes removed
    std::vector<TResult> Results;
};
