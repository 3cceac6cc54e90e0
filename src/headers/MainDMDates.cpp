// Date: values to Japan time, and the two forms the mail list shows them in.
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "headers/MainDM.h"
#include "headers/SjisText.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

constexpr int64_t SecondsPerDay = 86400;
constexpr int64_t MillisecondsPerDay = SecondsPerDay * 1000;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// Days from 1899-12-30 to the given date of the proleptic Gregorian calendar.
constexpr int64_t DayNumber(int year, int month, int day) {
    // Days from 0000-03-01, with March as the first month so that leap days come last.
    const int64_t y = month <= 2 ? year - 1 : year;
    const int64_t m = month <= 2 ? month + 9 : month - 3;
    const int64_t days = 365 * y + y / 4 - y / 100 + y / 400 + (153 * m + 2) / 5 + day - 1;
    return days - 693899;  // the same count for 1899-12-30
}

// Seconds since 1899-12-30 of 0001-01-01 and of 10000-01-01: dates outside cannot be shown.
constexpr int64_t FirstSecond = DayNumber(1, 1, 1) * SecondsPerDay;
constexpr int64_t EndSecond = DayNumber(10000, 1, 1) * SecondsPerDay;

// Position of `lower` (lower-case ASCII) in `text`, ignoring the case of ASCII letters.
size_t FindIgnoringCase(const std::string& text, const char* lower) {
    const size_t length = std::strlen(lower);
    for (size_t i = 0; i + length <= text.size(); ++i) {
        size_t k = 0;
        while (k < length && std::tolower(static_cast<unsigned char>(text[i + k])) == lower[k]) ++k;
        if (k == length) return i;
    }
    return std::string::npos;
}

// Reads 1 to `maxDigits` decimal digits at `pos`.
bool ReadNumber(const std::string& text, size_t& pos, size_t maxDigits, int& value) {
    const size_t start = pos;
    value = 0;
    while (pos < text.size() && pos - start < maxDigits && text[pos] >= '0' && text[pos] <= '9')
        value = value * 10 + (text[pos++] - '0');
    return pos > start;
}

bool ReadChar(const std::string& text, size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
}

void SkipBlanks(const std::string& text, size_t& pos) {
    while (pos < text.size() && static_cast<unsigned char>(text[pos]) <= 0x20) ++pos;
}

// "yyyy/m/d[ h:n[:s]]" to seconds since 1899-12-30; what follows the time is ignored.
bool ReadDateTime(const std::string& text, int64_t& seconds) {
    size_t pos = 0;
    int year, month, day, hour = 0, minute = 0, second = 0;
    SkipBlanks(text, pos);
    const size_t yearStart = pos;
    if (!ReadNumber(text, pos, 4, year) || pos - yearStart != 4 || !ReadChar(text, pos, '/') ||
        !ReadNumber(text, pos, 2, month) || !ReadChar(text, pos, '/') ||
        !ReadNumber(text, pos, 2, day))
        return false;
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    SkipBlanks(text, pos);
    if (pos < text.size()) {
        if (!ReadNumber(text, pos, 2, hour) || !ReadChar(text, pos, ':') ||
            !ReadNumber(text, pos, 2, minute))
            return false;
        if (ReadChar(text, pos, ':') && !ReadNumber(text, pos, 2, second)) return false;
        if (hour > 23 || minute > 59 || second > 59) return false;
    }
    seconds = DayNumber(year, month, day) * SecondsPerDay + hour * 3600 + minute * 60 + second;
    return true;
}

struct TDateParts {
    int Year, Month, Day, Hour, Minute, Second, Millisecond, DayOfWeek;  // DayOfWeek 0 = Sunday
};

TDateParts Decode(double dateTime) {
    const int64_t ms = std::llround(dateTime * MillisecondsPerDay);
    int64_t days = ms / MillisecondsPerDay;
    int64_t rest = ms % MillisecondsPerDay;
    if (rest < 0) {
        rest += MillisecondsPerDay;
        --days;
    }
    TDateParts p;
    p.DayOfWeek = static_cast<int>(((days + 6) % 7 + 7) % 7);  // 1899-12-30 was a Saturday
    // Inverse of DayNumber (civil-from-days over 400-year eras).
    const int64_t z = days + 693899;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    p.Day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    p.Month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    p.Year = static_cast<int>(yoe + era * 400 + (p.Month <= 2 ? 1 : 0));
    p.Hour = static_cast<int>(rest / 3600000);
    p.Minute = static_cast<int>(rest / 60000 % 60);
    p.Second = static_cast<int>(rest / 1000 % 60);
    p.Millisecond = static_cast<int>(rest % 1000);
    return p;
}

std::string AbbreviatedDayName(int dayOfWeek) {
#ifdef _WIN32
    // LOCALE_SABBREVDAYNAME1 is Monday.
    char name[32];
    const LCTYPE type = LOCALE_SABBREVDAYNAME1 + static_cast<LCTYPE>((dayOfWeek + 6) % 7);
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, type, name, sizeof name) > 0) return name;
#endif
    static const char* const names[] = {"日", "月", "火", "水", "木", "金", "土"};
    return names[dayOfWeek];
}

}  // namespace

double TMainDM::EncodeDateTime(int year, int month, int day, int hour, int minute, int second) {
    const int64_t seconds =
        DayNumber(year, month, day) * SecondsPerDay + hour * 3600 + minute * 60 + second;
    return static_cast<double>(seconds) / SecondsPerDay;
}

std::string TMainDM::FormatListDate(double dateTime) {
    const TDateParts p = Decode(dateTime);
    char head[16], tail[16];
    std::snprintf(head, sizeof head, "%02d/%02d (", p.Month, p.Day);
    std::snprintf(tail, sizeof tail, ") %02d:%02d", p.Hour, p.Minute);
    return head + AbbreviatedDayName(p.DayOfWeek) + tail;
}

std::string TMainDM::DateSortKey(double dateTime) {
    const TDateParts p = Decode(dateTime);
    char key[32];
    std::snprintf(key, sizeof key, "%04d%02d%02d%02d%02d%02d%02d", p.Year, p.Month, p.Day, p.Hour,
                  p.Minute, p.Second, p.Millisecond / 10);
    return key;
}

double TMainDM::ParseMailDate(const std::string& value) {
    if (value.empty()) return DefaultDate;
    std::string text = value;

    // The weekday and its comma go: the date starts at the first digit.
    const size_t digit = text.find_first_of("0123456789");
    if (digit != std::string::npos) text.erase(0, digit);

    // "15 Mar 2001 ..." to "15/03/2001 ...".
    static const char* const months[] = {" jan ", " feb ", " mar ", " apr ", " may ", " jun ",
                                         " jul ", " aug ", " sep ", " oct ", " nov ", " dec "};
    for (int m = 0; m < 12; ++m) {
        const size_t at = FindIgnoringCase(text, months[m]);
        if (at == std::string::npos) continue;
        char number[5];
        std::snprintf(number, sizeof number, "/%02d/", m + 1);
        text.replace(at, 5, number);
    }

    // "15/03/2001 ..." to "2001/03/15 ...": the day moves behind the month, the year to the front.
    const size_t firstSlash = text.find('/');
    if (firstSlash == std::string::npos) return DefaultDate;
    const std::string day = text.substr(0, firstSlash);
    text.erase(0, firstSlash + 1);
    const size_t slash = text.find('/');
    if (slash == std::string::npos) return DefaultDate;
    const std::string year = text.substr(slash + 1, 4);
    text.erase(slash + 1, 4);
    text.insert(slash + 1, day);
    text = year + "/" + text;

    // The zone as a shift to Japan time; minutes of the offset are ignored. A zone that is not a
    // number gives the default date like any other unreadable date, so that one malformed
    // message does not stop the listing.
    int shift = 0;
    const size_t plus = text.find('+');
    const size_t sign = plus != std::string::npos ? plus : text.find('-');
    if (sign != std::string::npos) {
        int32_t hours = 0;
        if (!SjisText::ToInt32(text.substr(sign + 1, 2), hours)) return DefaultDate;
        shift = plus != std::string::npos ? 9 - hours : hours + 9;
        text.erase(sign > 0 ? sign - 1 : 0);
    }
    if (shift <= -24 || shift >= 24) return DefaultDate;

    int64_t seconds = 0;
    if (!ReadDateTime(text, seconds)) return DefaultDate;
    seconds += int64_t(shift) * 3600;
    if (seconds < FirstSecond || seconds >= EndSecond) return DefaultDate;
    return static_cast<double>(seconds) / SecondsPerDay;
}
