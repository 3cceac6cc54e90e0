#include "rules/SharedDomains.h"

#include "rules/FromField.h"

namespace SharedDomains {

namespace {

// A short list by design: the providers most mail in Japan comes from, not every provider.
constexpr std::string_view Providers[] = {
    // Mobile carriers.
    "docomo.ne.jp", "ezweb.ne.jp", "au.com", "softbank.ne.jp", "i.softbank.jp", "vodafone.ne.jp",
    "disney.ne.jp", "ymobile.ne.jp", "y-mobile.ne.jp", "emnet.ne.jp", "willcom.com",
    "pdx.ne.jp", "uqmobile.jp", "rakuten.jp", "mineo.jp",
    // Free mail and large providers.
    "gmail.com", "googlemail.com", "yahoo.co.jp", "ymail.ne.jp", "yahoo.ne.jp", "yahoo.com",
    "icloud.com", "me.com", "mac.com", "outlook.jp", "outlook.com", "hotmail.com",
    "hotmail.co.jp", "live.jp", "live.com", "msn.com", "aol.com", "nifty.com", "biglobe.ne.jp",
    "ocn.ne.jp", "so-net.ne.jp", "plala.or.jp", "dion.ne.jp", "ybb.ne.jp", "excite.co.jp",
    "zoho.com", "proton.me", "protonmail.com", "gmx.com", "mail.com", "qq.com", "163.com",
    "naver.com",
};

}  // namespace

bool Shared(std::string_view domain) {
    for (std::string_view provider : Providers)
        if (TFromField::IsWithin(domain, provider)) return true;
    return false;
}

}  // namespace SharedDomains
