#include "auth/FormText.h"

namespace FormText {

namespace {

bool Unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool Unescape(const std::string& text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%') {
            const int high = i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
            const int low = high < 0 ? -1 : HexValue(text[i + 2]);
            if (low < 0) return false;
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return true;
}

}  // namespace

std::string Escape(const std::string& text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (Unreserved(c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string Join(const std::vector<std::pair<std::string, std::string>>& fields) {
    std::string out;
    for (const auto& field : fields) {
        if (!out.empty()) out += '&';
        out += Escape(field.first) + "=" + Escape(field.second);
    }
    return out;
}

bool Parse(const std::string& query, std::map<std::string, std::string>& fields) {
    fields.clear();
    for (size_t start = 0; start < query.size();) {
        size_t end = query.find('&', start);
        if (end == std::string::npos) end = query.size();
        const std::string pair = query.substr(start, end - start);
        start = end + 1;
        if (pair.empty()) continue;
        const size_t equals = pair.find('=');
        std::string name, value;
        if (!Unescape(pair.substr(0, equals), name) ||
            !Unescape(equals == std::string::npos ? "" : pair.substr(equals + 1), value))
            return false;
        fields.emplace(name, value);
    }
    return true;
}

}  // namespace FormText
