#pragma once
#include <string>
#include <string_view>
#include <vector>

// The From field split into the sender's address and the name shown for it.
class TFromField {
public:
    // Reads a raw From value: `Name <addr>`, `"Name" <addr>`, `addr (Name)` or a bare address;
    // of several mailboxes, the first. Comments and quoted strings may hold any of "<>,@".
    static TFromField Parse(std::string_view value);

    // Every address of a From value, in the form the sender lists match: each mailbox of the
    // list and of a group, a quoted local part unquoted, comments and blanks around "@" and "."
    // gone (as after unfolding), a domain literal's brackets dropped, ASCII lower case. A sender
    // can write any of these forms, and mail programs show them all.
    static std::vector<std::string> Addresses(std::string_view value);

    // The domain of the first address written in `name` (a decoded display name, Shift_JIS) whose
    // domain is neither `fromDomain` nor below it; empty when there is none. Only a dotted domain
    // after a local-part character and "@" counts: "@@@" or "a @ b" holds no address.
    static std::string ForeignAddressDomain(const std::string& name, const std::string& fromDomain);

    // True when `domain` is `parent` or one of its subdomains ("a.example.jp" is below
    // "example.jp", "badexample.jp" is not).
    static bool IsWithin(std::string_view domain, std::string_view parent);

    std::string Address;      // the bare address, ASCII lower case; empty when there is none
    std::string Domain;       // what follows its last "@", without a final "."
    std::string DisplayName;  // raw (encoded words as they came), quotes and comment marks gone
};
