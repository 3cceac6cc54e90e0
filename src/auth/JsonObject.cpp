#include "auth/JsonObject.h"

#include <cstdint>

namespace JsonObject {

namespace {

class TReader {
public:
    explicit TReader(const std::string& text) : Text(text) {}

    bool Object(std::map<std::string, std::string>* members, int depth) {
        if (depth > MaxDepth || !Take('{')) return false;
        Blanks();
        if (Take('}')) return true;
        for (;;) {
            std::string name, value;
            bool scalar = false;
            Blanks();
            if (!String(name)) return false;
            Blanks();
            if (!Take(':') || !Value(value, scalar, depth)) return false;
            if (members && scalar) members->emplace(name, value);
            Blanks();
            if (Take('}')) return true;
            if (!Take(',')) return false;
        }
    }

    bool End() {
        Blanks();
        return At == Text.size();
    }

    void Blanks() {
        while (At < Text.size() &&
               (Text[At] == ' ' || Text[At] == '\t' || Text[At] == '\r' || Text[At] == '\n'))
            ++At;
    }

private:
    bool Take(char c) {
        if (At < Text.size() && Text[At] == c) {
            ++At;
            return true;
        }
        return false;
    }

    bool Word(const char* word) {
        const std::string w(word);
        if (Text.compare(At, w.size(), w) != 0) return false;
        At += w.size();
        return true;
    }

    bool Value(std::string& value, bool& scalar, int depth) {
        Blanks();
        scalar = false;
        if (At >= Text.size()) return false;
        const char c = Text[At];
        if (c == '"') return scalar = String(value);
        if (c == '{') return Object(nullptr, depth + 1);
        if (c == '[') return Array(depth + 1);
        if (Word("true")) return scalar = true, value = "true", true;
        if (Word("false")) return scalar = true, value = "false", true;
        if (Word("null")) return true;
        return scalar = Number(value);
    }

    bool Array(int depth) {
        if (depth > MaxDepth || !Take('[')) return false;
        Blanks();
        if (Take(']')) return true;
        for (;;) {
            std::string ignored;
            bool scalar = false;
            if (!Value(ignored, scalar, depth)) return false;
            Blanks();
            if (Take(']')) return true;
            if (!Take(',')) return false;
        }
    }

    bool Digits() {
        const size_t start = At;
        while (At < Text.size() && Text[At] >= '0' && Text[At] <= '9') ++At;
        return At > start;
    }

    bool Number(std::string& value) {
        const size_t start = At;
        Take('-');
        if (Take('0')) {
            // No leading zeros.
        } else if (!Digits()) {
            return false;
        }
        if (Take('.') && !Digits()) return false;
        if (Take('e') || Take('E')) {
            if (!Take('+')) Take('-');
            if (!Digits()) return false;
        }
        value = Text.substr(start, At - start);
        return true;
    }

    bool Hex4(uint32_t& code) {
        code = 0;
        for (int i = 0; i < 4; ++i, ++At) {
            if (At >= Text.size()) return false;
            const char c = Text[At];
            const int v = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
            if (v < 0) return false;
            code = code * 16 + uint32_t(v);
        }
        return true;
    }

    static void Utf8(uint32_t code, std::string& out) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | code >> 6);
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | code >> 12);
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | code >> 18);
            out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    bool Escape(std::string& out) {
        if (At >= Text.size()) return false;
        const char c = Text[At++];
        static const char from[] = "\"\\/bfnrt", to[] = "\"\\/\b\f\n\r\t";
        for (int i = 0; from[i]; ++i)
            if (c == from[i]) return out += to[i], true;
        if (c != 'u') return false;
        uint32_t code = 0;
        if (!Hex4(code)) return false;
        if (code >= 0xDC00 && code <= 0xDFFF) return false;  // a lone low surrogate
        if (code >= 0xD800 && code <= 0xDBFF) {
            uint32_t low = 0;
            if (!Take('\\') || !Take('u') || !Hex4(low) || low < 0xDC00 || low > 0xDFFF)
                return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        Utf8(code, out);
        return true;
    }

    bool String(std::string& out) {
        out.clear();
        if (!Take('"')) return false;
        while (At < Text.size()) {
            const unsigned char c = static_cast<unsigned char>(Text[At++]);
            if (c == '"') return true;
            if (c < 0x20) return false;
            if (c == '\\') {
                if (!Escape(out)) return false;
            } else {
                out += static_cast<char>(c);
            }
        }
        return false;
    }

    const std::string& Text;
    size_t At = 0;
};

}  // namespace

bool Parse(const std::string& text, std::map<std::string, std::string>& members) {
    members.clear();
    if (text.size() > MaxLength) return false;
    TReader reader(text);
    reader.Blanks();
    std::map<std::string, std::string> read;
    if (!reader.Object(&read, 1) || !reader.End()) return false;
    members = std::move(read);
    return true;
}

}  // namespace JsonObject
