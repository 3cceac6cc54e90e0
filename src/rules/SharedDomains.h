#pragma once
#include <string_view>

// Mail domains that a great many unrelated people write from: the large Japanese carriers and
// providers and the big free mail services. Blocking one blocks strangers and friends alike.
namespace SharedDomains {

// True when `domain` (ASCII lower case) is one of them or below one ("ezweb.ne.jp",
// "d.vodafone.ne.jp").
bool Shared(std::string_view domain);

}  // namespace SharedDomains
