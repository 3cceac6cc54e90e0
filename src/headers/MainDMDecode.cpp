// Header values in any charset the program converts to well-formed Shift_JIS.
#include <string_view>

#include "headers/Charset.h"
#include "headers/CharsetDecoders.h"
#include "headers/EncodedWord.h"
#include "headers/MainDM.h"
#include "headers/SjisText.h"

namespace {

bool IsLinearSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool AllLinearSpace(std::string_view text) {
    for (const char c : text) {
        if (!IsLinearSpace(c)) return false;
    }
    return true;
}

bool HasEightBitBytes(std::string_view text) { return SjisText::FindEightBit(text) < text.size(); }

// Text converted from a decoded word ends at its first zero byte, as a C string would: a list
// row cannot show what follows it anyway.
void CutAtZero(std::string& out, size_t from) {
    const size_t zero = out.find('\0', from);
    if (zero != std::string::npos) out.resize(zero);
}

// Builds the result: text outside words in the value's raw charset, runs of adjacent encoded
// words with the blanks between them dropped and the bytes of neighbours in the same charset
// joined, so that a character split over two words comes out whole; so are the texts of B words
// split in the middle of a group of four.
class TWordJoiner {
public:
    TWordJoiner(std::string_view text, std::string& out) : Text(text), Out(out) {}

    void Word(const TEncodedWord& word) {
        if (word.Charset != WordCharsetName) {  // neighbours mostly share their charset
            WordCharsetName = word.Charset;
            WordCharset = TCharset::Find(word.Charset);
        }
        const TCharset charset = WordCharset;
        if (!charset.Known()) {
            Plain(word.End);  // stays as it is, with the blanks before it
            return;
        }
        if (!InRun || !AllLinearSpace(Text.substr(Pos, word.Start - Pos))) {
            Plain(word.Start);
        } else if (!(charset == RunCharset)) {
            Flush();
        }
        InRun = true;
        RunCharset = charset;
        // A B text split in the middle of a group goes on in the next B word of the run.
        if (word.Encoding == 'B') {
            Used += word.DecodeTo(&Bytes[Used], Rest);
        } else {
            Used += TEncodedWord::Finish(Rest, &Bytes[Used]);
            Used += word.DecodeTo(&Bytes[Used]);
        }
        Pos = word.End;
    }

    void Finish() { Plain(Text.size()); }

    size_t Pos = 0;  // next byte of Text not yet taken

private:
    std::string_view Text;
    std::string& Out;
    TCharset Raw;  // of the whole value, found when text outside words needs it
    bool InRun = false;
    TCharset RunCharset;
    std::string_view WordCharsetName;  // of the last word, and what it names
    TCharset WordCharset;
    // The bytes of a run of words, Used of them. The words together are shorter than the text,
    // and so are their bytes.
    std::string& Bytes = Scratch(Text.size());
    size_t Used = 0;
    TEncodedWord::TBase64Rest Rest;  // of the run's last word when that is B

    // One buffer a thread, grown but never shrunk, so that most calls neither allocate nor
    // clear memory.
    static std::string& Scratch(size_t size) {
        thread_local std::string bytes;
        if (bytes.size() < size) bytes.resize(size);
        return bytes;
    }

    void Flush() {
        Used += TEncodedWord::Finish(Rest, &Bytes[Used]);
        const size_t start = Out.size();
        RunCharset.Decode(std::string_view(Bytes.data(), Used), Out);
        CutAtZero(Out, start);
        Used = 0;
    }
    // Converts the text from Pos up to `end`, ending a run of words.
    void Plain(size_t end) {
        if (InRun) Flush();
        InRun = false;
        const std::string_view plain = Text.substr(Pos, end - Pos);
        if (HasEightBitBytes(plain)) {
            if (!Raw.Known()) {
                Raw = TCharset::Find(TCharsetDecoders::IsUtf8(Text) ? "UTF-8" : "Shift_JIS");
            }
            Raw.Decode(plain, Out);
        } else {
            Out.append(plain.data(), plain.size());
        }
        Pos = end;
    }
};

}  // namespace

std::string TMainDM::DecodeHeaderText(const std::string& value) {
    if (value.empty()) return NoneText;

    std::string out;
    if (value.find("\x1B$") != std::string::npos) {
        // Raw JIS from older mailers: converted as it stands, untrimmed, up to the limit.
        const std::string_view raw = std::string_view(value).substr(0, RawJisLimit);
        {
            TSjisOutput sjis(out);
            TCharsetDecoders::Iso2022Jp(raw, sjis);
        }
        CutAtZero(out, 0);
        return out;
    }

    size_t first = 0, last = value.size();
    while (first < last && SjisText::IsBlank(value[first])) ++first;
    while (last > first && SjisText::IsBlank(value[last - 1])) --last;
    const std::string_view text(value.data() + first, last - first);
    out.reserve(2 * text.size() + 16);  // room for every conversion, so none reallocates
    TWordJoiner joiner(text, out);
    TEncodedWord word;
    while (TEncodedWord::FindNext(text, joiner.Pos, word)) joiner.Word(word);
    joiner.Finish();
    return out;
}
