// DecodeHeaderText over generated header values, beside glibc iconv converting the same text to
// Shift_JIS in the same run. Figures are MB/s of header input; only the ratios carry across
// machines.
#include <iconv.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "headers/MainDM.h"

namespace {

const char* const Words[] = {"Re:",    "Fwd:", "Meeting", "notes", "for",     "project", "invoice",
                             "[info]", "2024", "Update",  "your",  "account", "(2)",     "sale"};

std::string Base64(const std::string& bytes) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t n = std::min<size_t>(3, bytes.size() - i);
        unsigned v = 0;
        for (size_t k = 0; k < 3; ++k)
            v = v << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0);
        out += digits[v >> 18 & 63];
        out += digits[v >> 12 & 63];
        out += n > 1 ? digits[v >> 6 & 63] : '=';
        out += n > 2 ? digits[v & 63] : '=';
    }
    return out;
}

// Converts with iconv, for building the corpus and as the baseline.
class TIconv {
public:
    TIconv(const char* to, const char* from) : Handle(iconv_open(to, from)) {
        if (Handle == reinterpret_cast<iconv_t>(-1)) {
            std::perror("iconv_open");
            std::exit(1);
        }
    }
    ~TIconv() { iconv_close(Handle); }
    TIconv(const TIconv&) = delete;
    TIconv& operator=(const TIconv&) = delete;

    // Appends the converted text to `out` (which keeps its size as a scratch buffer when
    // `scratch`); returns the bytes written.
    size_t Convert(const std::string& text, std::string& out) {
        iconv(Handle, nullptr, nullptr, nullptr, nullptr);
        const size_t start = out.size();
        out.resize(start + text.size() * 4 + 16);
        char* src = const_cast<char*>(text.data());
        size_t srcLeft = text.size();
        char* dst = &out[start];
        size_t dstLeft = out.size() - start;
        if (iconv(Handle, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1)) {
            std::fprintf(stderr, "iconv refused a value\n");
            std::exit(1);
        }
        const size_t written = out.size() - start - dstLeft;
        out.resize(start + written);
        return written;
    }

private:
    iconv_t Handle;
};

class TCorpus {
public:
    std::vector<std::string> Values;  // header values as they arrive
    // The text inside their words with base64 and Q undone, and whether it is UTF-8 (else
    // ISO-2022-JP or ASCII).
    std::vector<std::string> Payloads;
    std::vector<bool> Utf8Payload;
    size_t Bytes = 0, PayloadBytes = 0;

    explicit TCorpus(size_t minBytes) {
        while (Bytes < minBytes) {
            std::string payload;
            const int kind = Pick(10);
            std::string value = kind < 3   ? AsciiText(payload)
                                : kind < 5 ? EncodedWords(payload)
                                : kind < 6 ? RawJis(payload)
                                           : Utf8Words(payload, kind < 8 ? 'B' : 'Q');
            Bytes += value.size();
            PayloadBytes += payload.size();
            Values.push_back(std::move(value));
            Payloads.push_back(std::move(payload));
            Utf8Payload.push_back(kind >= 6);
        }
    }

private:
    std::mt19937 Random{20240601};
    TIconv JisToUtf8{"UTF-8", "ISO-2022-JP"};

    int Pick(int n) { return static_cast<int>(Random() % static_cast<unsigned>(n)); }

    // 1 to `most` characters of kana and first-level kanji, as JIS X 0208 bytes.
    std::string JisRun(int most) {
        std::string out;
        for (int i = 1 + Pick(most); i > 0; --i) {
            const int kind = Pick(3);
            const int row = kind == 0 ? 0x24 : kind == 1 ? 0x25 : 0x30 + Pick(0x1F);
            out += static_cast<char>(row);
            out += static_cast<char>(0x21 + Pick(kind < 2 ? 0x53 : 0x5E));
        }
        return out;
    }

    std::string AsciiText(std::string& payload) {
        std::string out;
        for (int i = 2 + Pick(8); i > 0; --i) out += std::string(Words[Pick(14)]) + " ";
        out += "<" + std::to_string(Random()) + "@mail.example.co.jp>";
        payload = out;
        return out;
    }

    // RFC 2047 words of at most 75 characters: 18 JIS characters each at most.
    std::string EncodedWords(std::string& payload) {
        std::string out = Pick(2) ? "Re: " : "";
        payload = out;
        for (int i = 1 + Pick(3); i > 0; --i) {
            const std::string jis = "\x1B$B" + JisRun(18) + "\x1B(B";
            out += (Pick(2) ? "=?ISO-2022-JP?B?" : "=?iso-2022-jp?B?") + Base64(jis) + "?=";
            payload += jis;
            if (i > 1) out += " ", payload += " ";
        }
        if (Pick(2)) out += " <user" + std::to_string(Pick(1000)) + "@example.jp>";
        return out;
    }

    std::string RawJis(std::string& payload) {
        std::string out = Pick(2) ? "Re: " : "";
        for (int i = 1 + Pick(3); i > 0; --i) out += "\x1B$B" + JisRun(20) + "\x1B(B ";
        out += Words[Pick(14)];
        payload = out;
        return out;
    }

    // UTF-8 words as web mail writes them: B with up to 16 characters a word, Q with up to 6.
    std::string Utf8Words(std::string& payload, char encoding) {
        static const char hex[] = "0123456789ABCDEF";
        std::string out = Pick(2) ? "Re: " : "";
        payload = out;
        for (int i = 1 + Pick(3); i > 0; --i) {
            std::string utf8;
            JisToUtf8.Convert("\x1B$B" + JisRun(encoding == 'B' ? 16 : 6) + "\x1B(B", utf8);
            std::string text;
            if (encoding == 'B') {
                text = Base64(utf8);
            } else {
                for (const char c : utf8) {
                    const unsigned char b = static_cast<unsigned char>(c);
                    text += {'=', hex[b >> 4], hex[b & 15]};
                }
            }
            out += std::string("=?UTF-8?") + encoding + "?" + text + "?=";
            payload += utf8;  // adjacent words: the blank between them is dropped
            if (i > 1) out += " ";
        }
        return out;
    }
};

// Best of several runs, in MB/s of `bytes`.
double Measure(size_t bytes, const std::function<size_t()>& run) {
    double best = 1e30;
    size_t sink = 0;
    for (int round = 0; round < 5; ++round) {
        const auto start = std::chrono::steady_clock::now();
        sink += run();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    if (sink == 0) std::puts("(no output)");
    return bytes / best / 1e6;
}

size_t IconvAll(TIconv& iconv, const std::vector<std::string>& texts) {
    size_t total = 0;
    std::string out;
    for (const auto& text : texts) {
        out.clear();
        total += iconv.Convert(text, out);
    }
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    const size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 12;
    const TCorpus corpus(megabytes * 1000 * 1000);
    TIconv jis("SHIFT_JIS", "ISO-2022-JP"), utf8("CP932", "UTF-8");

    const double decode = Measure(corpus.Bytes, [&] {
        size_t total = 0;
        for (const auto& value : corpus.Values) total += TMainDM::DecodeHeaderText(value).size();
        return total;
    });
    // The values are 7-bit text: ISO-2022-JP to Shift_JIS takes every one of them.
    const double iconvSame = Measure(corpus.Bytes, [&] { return IconvAll(jis, corpus.Values); });
    // iconv cannot undo base64 or Q: give it the text inside the words, each in its charset,
    // counted as the header bytes it stands for, so that both figures measure the same work.
    const double iconvPayload = Measure(corpus.Bytes, [&] {
        size_t total = 0;
        std::string out;
        for (size_t i = 0; i < corpus.Payloads.size(); ++i) {
            out.clear();
            total += (corpus.Utf8Payload[i] ? utf8 : jis).Convert(corpus.Payloads[i], out);
        }
        return total;
    });

    std::printf(
        "corpus: %.1f MB in %zu header values (ASCII, ISO-2022-JP words, raw JIS, UTF-8 B and Q "
        "words); payload %.1f MB\n",
        corpus.Bytes / 1e6, corpus.Values.size(), corpus.PayloadBytes / 1e6);
    std::printf("%-44s %8.1f MB/s\n", "DecodeHeaderText", decode);
    std::printf("%-44s %8.1f MB/s  (DecodeHeaderText x%.2f)\n",
                "iconv ISO-2022-JP->SHIFT_JIS, same bytes", iconvSame, decode / iconvSame);
    std::printf("%-44s %8.1f MB/s  (DecodeHeaderText x%.2f)\n",
                "iconv each word's charset->CP932, decoded", iconvPayload, decode / iconvPayload);
    return 0;
}
