#include <windows.h>
// windows.h first: winhttp.h needs its types.
#include <winhttp.h>

#include <vector>

#include "auth/HttpsClient.h"
#include "auth/OAuthProvider.h"

namespace {

// Each step of a request may wait this long before it gives up.
constexpr int StepTimeOutMs = 20000;

std::wstring Wide(const std::string& text) {
    // URLs and forms are ASCII; a byte beyond it (a stray one in a typed URL) is refused below.
    std::wstring wide;
    for (unsigned char c : text) wide += static_cast<wchar_t>(c);
    return wide;
}

class THandle {
public:
    explicit THandle(HINTERNET handle) : Handle(handle) {}
    ~THandle() {
        if (Handle) WinHttpCloseHandle(Handle);
    }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;
    operator HINTERNET() const { return Handle; }

private:
    HINTERNET Handle;
};

std::string Failure(const char* step) {
    return std::string("HTTPS の ") + step + " に失敗しました (" + std::to_string(GetLastError()) +
           ")";
}

class TWinHttpClient final : public THttpsClient {
public:
    THttpsReply PostForm(const std::string& url, const std::string& form) override {
        THttpsReply reply;
        for (unsigned char c : url)
            if (c >= 0x80) {
                reply.Failure = "URL に使えない文字があります。";
                return reply;
            }
        if (!OAuthProvider::IsHttpsUrl(url)) {
            reply.Failure = "HTTPS の URL ではありません。";
            return reply;
        }
        const std::wstring wideUrl = Wide(url);
        URL_COMPONENTS parts{};
        parts.dwStructSize = sizeof parts;
        parts.dwHostNameLength = static_cast<DWORD>(-1);
        parts.dwUrlPathLength = static_cast<DWORD>(-1);
        parts.dwExtraInfoLength = static_cast<DWORD>(-1);
        if (!WinHttpCrackUrl(wideUrl.c_str(), 0, 0, &parts) ||
            parts.nScheme != INTERNET_SCHEME_HTTPS) {
            reply.Failure = "HTTPS の URL ではありません。";
            return reply;
        }
        const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
        std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
        path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
        if (path.empty()) path = L"/";

        THandle session(WinHttpOpen(L"Prunebox", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                    WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
        if (!session) return reply.Failure = Failure("準備"), reply;
        WinHttpSetTimeouts(session, StepTimeOutMs, StepTimeOutMs, StepTimeOutMs, StepTimeOutMs);
        THandle connection(WinHttpConnect(session, host.c_str(), parts.nPort, 0));
        if (!connection) return reply.Failure = Failure("接続"), reply;
        THandle request(WinHttpOpenRequest(connection, L"POST", path.c_str(), nullptr,
                                           WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                           WINHTTP_FLAG_SECURE));
        if (!request) return reply.Failure = Failure("要求"), reply;
        // Tokens never follow a redirect to wherever it points.
        DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
        WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects, sizeof noRedirects);
        const wchar_t headers[] =
            L"Content-Type: application/x-www-form-urlencoded\r\nAccept: application/json\r\n";
        if (!WinHttpSendRequest(request, headers, static_cast<DWORD>(-1),
                                const_cast<char*>(form.data()), static_cast<DWORD>(form.size()),
                                static_cast<DWORD>(form.size()), 0) ||
            !WinHttpReceiveResponse(request, nullptr))
            return reply.Failure = Failure("通信"), reply;
        DWORD status = 0, size = sizeof status;
        if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                 WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                                 WINHTTP_NO_HEADER_INDEX))
            return reply.Failure = Failure("応答"), reply;
        std::vector<char> buffer(16 * 1024);
        for (;;) {
            DWORD read = 0;
            if (!WinHttpReadData(request, buffer.data(), static_cast<DWORD>(buffer.size()), &read))
                return reply.Failure = Failure("応答の読み取り"), reply;
            if (read == 0) break;
            if (reply.Body.size() + read > MaxBody) {
                reply.Failure = "サインインのサーバの応答が長すぎます。";
                reply.Body.clear();
                return reply;
            }
            reply.Body.append(buffer.data(), read);
        }
        reply.Status = static_cast<int>(status);
        return reply;
    }
};

}  // namespace

std::unique_ptr<THttpsClient> THttpsClient::System() { return std::make_unique<TWinHttpClient>(); }
