#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "headers/ConvertError.h"

// A delete-check rule split at its first comma: "Subject:,text" gives "Subject:" and "text".
struct TRuleParts {
    std::string Header;
    std::string Text;
};

// The data module: the stateless text operations shared by the user interface and every account
// worker. All texts are Shift_JIS byte strings. Every operation is a plain function of its
// arguments, safe to call from any thread at once and before the instance MainDM exists.
class TMainDM {
public:
    // Text DecodeHeaderText gives for an empty value; callers compare with it to spot a missing
    // header.
    static const char* const NoneText;
    // Date-time given whenever a date cannot be read: 2000/01/01 00:00:00.
    static const double DefaultDate;
    // Raw ISO-2022-JP values are converted up to this many bytes; the rest is dropped.
    static constexpr size_t RawJisLimit = 255;

    // --- Rule and server texts ---

    // Splits at the first ",". Without a comma the header is empty and the whole text is the Text.
    static TRuleParts SplitRule(const std::string& rule);
    // "host" or "host:port" to four upper-case hex digits of the port (low 16 bits) followed by the
    // host: " mailhost : 995 " gives "03E3mailhost", "mailhost" gives "006Emailhost".
    // Throws EConvertError when the port is not a whole decimal number.
    static std::string PackServerAddress(const std::string& server);
    // Four hex digits to a 16-bit value holding the first pair in its low byte and the second in
    // its high byte (the port in network byte order); callers swap the bytes. Length other than 4
    // gives 0.
    static uint16_t HexToPort(const std::string& hex);
    // The first two characters as a hexadecimal number; any non-hex character gives 0.
    static uint8_t HexPairToByte(const std::string& text);

    // --- Encoded words and raw JIS ---

    // One header value to displayable, well-formed Shift_JIS: RFC 2047 words (B or Q) in every
    // charset the program converts, raw UTF-8, raw ISO-2022-JP, raw Shift_JIS. A character code
    // page 932 lacks and a broken sequence become "?". An empty value gives NoneText.
    static std::string DecodeHeaderText(const std::string& value);
    // The value with only its ISO-2022-JP B words and raw JIS decoded, other words left as they
    // are; rules written against such raw words search this text too.
    static std::string DecodeJisWords(const std::string& value);
    // Base64 text to bytes. Characters outside the alphabet are not skipped: they count with their
    // own code. Trailing "=" padding shortens the last group as usual.
    static std::string DecodeBase64(const std::string& text);
    // Value of one base64 character: 0..63 for the alphabet, the character's own code otherwise.
    static uint8_t Base64Digit(char c);
    // The three bytes of one group of four base64 characters.
    static std::array<uint8_t, 3> DecodeBase64Group(char a, char b, char c, char d);
    // ISO-2022-JP bytes (ESC $ B / ESC $ @ to two-byte, ESC ( B / J / @ back) to Shift_JIS.
    // The result is never longer than the input.
    static std::string JisToSjis(const std::string& jis);
    // One JIS X 0208 code (first byte in the high half) to its Shift_JIS code.
    static uint16_t JisCharToSjis(uint16_t jis);

    // --- Dates and senders ---

    // Value of a Date: header ("Thu, 15 Mar 2001 14:05:09 +0900") to a day count since 1899-12-30
    // in Japan time (UTC+9). Anything unreadable gives DefaultDate.
    static double ParseMailDate(const std::string& value);
    // Decoded value of a From: header to the short sender name shown in the mail list.
    static std::string ExtractSenderName(const std::string& from);

    // Day count since 1899-12-30 of a calendar date and time, counted on linearly before that day
    // too (no range check: callers pass valid parts).
    static double EncodeDateTime(int year, int month, int day, int hour, int minute, int second);
    // The sent-time column: "mm/dd (aaa) hh:nn" with the locale's abbreviated weekday name, e.g.
    // "03/15 (木) 14:05". On Windows the name comes from the user's locale.
    static std::string FormatListDate(double dateTime);
    // The date key column: "yyyymmddhhnnsszz" (zz: hundredths of a second, "00" for parsed dates),
    // 16 characters, so that text order is time order.
    static std::string DateSortKey(double dateTime);
};

// The one instance; it holds nothing, every operation above is static.
extern TMainDM MainDM;
