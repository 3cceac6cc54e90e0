#include "auth/OAuthProvider.h"

namespace {

struct TProviderRow {
    int Method;
    const char* AuthorizeUrl;  // "{tenant}" is replaced by the account's tenant
    const char* TokenUrl;
    const char* DeviceUrl;
    const char* Scope;
    const char* RedirectHost;
    bool ScopeOnRefresh;
    bool AskOffline;
    TOAuthServer Server;
};

const TProviderRow Providers[] = {
    {AuthMicrosoft,
     "https://login.microsoftonline.com/{tenant}/oauth2/v2.0/authorize",
     "https://login.microsoftonline.com/{tenant}/oauth2/v2.0/token",
     "https://login.microsoftonline.com/{tenant}/oauth2/v2.0/devicecode",
     "https://outlook.office.com/POP.AccessAsUser.All offline_access",
     "localhost",
     true,
     false,
     {"outlook.office365.com", 995}},
    {AuthGoogle,
     "https://accounts.google.com/o/oauth2/v2/auth",
     "https://oauth2.googleapis.com/token",
     "",
     "https://mail.google.com/",
     "127.0.0.1",
     false,
     true,
     {"pop.gmail.com", 995}},
};

const TProviderRow* RowOf(int method) {
    for (const TProviderRow& row : Providers)
        if (row.Method == method) return &row;
    return nullptr;
}

// A tenant becomes part of the URL's path: a name or an id, nothing that could leave the path.
bool ValidTenant(const std::string& tenant) {
    if (tenant.empty() || tenant.size() > 100) return false;
    for (char c : tenant)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '-' || c == '.' || c == '_'))
            return false;
    return tenant != "." && tenant != "..";
}

std::string WithTenant(const char* pattern, const std::string& tenant) {
    std::string url = pattern;
    const size_t at = url.find("{tenant}");
    if (at != std::string::npos) url.replace(at, 8, tenant);
    return url;
}

}  // namespace

bool TOAuthAccount::operator==(const TOAuthAccount& o) const {
    return Method == o.Method && ClientId == o.ClientId && Tenant == o.Tenant &&
           ClientSecret == o.ClientSecret && AuthorizeUrl == o.AuthorizeUrl &&
           TokenUrl == o.TokenUrl && DeviceUrl == o.DeviceUrl && Scope == o.Scope;
}

namespace OAuthProvider {

bool IsHttpsUrl(const std::string& url) {
    static const char scheme[] = "https://";
    if (url.size() <= 8) return false;
    for (size_t i = 0; i < 8; ++i) {
        const char c = url[i] >= 'A' && url[i] <= 'Z' ? static_cast<char>(url[i] + 32) : url[i];
        if (c != scheme[i]) return false;
    }
    for (unsigned char c : url)
        if (c <= ' ' || c == 0x7F) return false;
    return url[8] != '/' && url[8] != ':';
}

bool Resolve(const TOAuthAccount& account, TOAuthEndpoints& endpoints, std::string& error) {
    const TProviderRow* row = RowOf(account.Method);
    if (!row) {
        error = "OAuth 2.0 のサインインを使うアカウントではありません。";
        return false;
    }
    if (account.ClientId.empty()) {
        error = "クライアント ID を入力してください。";
        return false;
    }
    const std::string tenant = account.Tenant.empty() ? DefaultTenant : account.Tenant;
    if (row->Method == AuthMicrosoft && !ValidTenant(tenant)) {
        error = "テナント「" + tenant + "」は使えません。";
        return false;
    }
    TOAuthEndpoints resolved;
    auto pick = [&tenant](const std::string& given, const char* own) {
        return given.empty() ? WithTenant(own, tenant) : given;
    };
    resolved.AuthorizeUrl = pick(account.AuthorizeUrl, row->AuthorizeUrl);
    resolved.TokenUrl = pick(account.TokenUrl, row->TokenUrl);
    resolved.DeviceUrl = pick(account.DeviceUrl, row->DeviceUrl);
    resolved.Scope = account.Scope.empty() ? row->Scope : account.Scope;
    resolved.RedirectHost = row->RedirectHost;
    resolved.ScopeOnRefresh = row->ScopeOnRefresh;
    resolved.AskOffline = row->AskOffline;
    // A token must never travel in clear, whoever's identity provider it is.
    for (const std::string* url : {&resolved.AuthorizeUrl, &resolved.TokenUrl}) {
        if (!IsHttpsUrl(*url)) {
            error = "「" + *url + "」は HTTPS の URL ではありません。";
            return false;
        }
    }
    if (!resolved.DeviceUrl.empty() && !IsHttpsUrl(resolved.DeviceUrl)) {
        error = "「" + resolved.DeviceUrl + "」は HTTPS の URL ではありません。";
        return false;
    }
    endpoints = resolved;
    return true;
}

const TOAuthServer* ServerOf(int method) {
    const TProviderRow* row = RowOf(method);
    return row ? &row->Server : nullptr;
}

}  // namespace OAuthProvider
