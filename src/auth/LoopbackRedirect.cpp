#include "auth/LoopbackRedirect.h"

#include <map>

#include "auth/FormText.h"

TLoopbackRedirect TLoopbackRedirect::Read(const std::string& requestLine,
                                          const std::string& state) {
    TLoopbackRedirect redirect;
    const size_t first = requestLine.find(' ');
    const size_t second = first == std::string::npos ? first : requestLine.find(' ', first + 1);
    if (second == std::string::npos || requestLine.compare(0, first, "GET") != 0 ||
        requestLine.compare(second + 1, 5, "HTTP/") != 0)
        return redirect;
    const std::string target = requestLine.substr(first + 1, second - first - 1);
    const size_t question = target.find('?');
    if (target.substr(0, question) != "/" || question == std::string::npos) return redirect;
    std::map<std::string, std::string> fields;
    if (!FormText::Parse(target.substr(question + 1), fields)) return redirect;
    // Whatever else it says, a redirect without this sign-in's state is not its answer.
    const auto given = fields.find("state");
    if (given == fields.end() || state.empty() || given->second != state) {
        redirect.Kind = WrongState;
        return redirect;
    }
    const auto error = fields.find("error");
    const auto code = fields.find("code");
    if (error != fields.end() || code == fields.end() || code->second.empty()) {
        redirect.Kind = Refused;
        redirect.Error = error == fields.end() ? "no code" : error->second;
        const auto description = fields.find("error_description");
        if (description != fields.end()) redirect.Error += ": " + description->second;
        return redirect;
    }
    redirect.Kind = GotCode;
    redirect.Code = code->second;
    return redirect;
}

std::string TLoopbackRedirect::Answer(TKind kind) {
    if (kind == Other || kind == WrongState)
        return "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    const std::string message = kind == GotCode
                                    ? "サインインを受け取りました。Prunebox に戻ってください。"
                                    : "サインインは行われませんでした。Prunebox に戻ってください。";
    const std::string page =
        "<!DOCTYPE html><html><head><meta charset=\"Shift_JIS\"><title>Prunebox</title></head>"
        "<body><p>" +
        message + "</p><p>このページは閉じてかまいません。</p></body></html>";
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=Shift_JIS\r\nContent-Length: " +
           std::to_string(page.size()) +
           "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + page;
}
