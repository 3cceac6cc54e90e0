#include <gtest/gtest.h>

#include <ctime>

#include "headers/MainDM.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

const char* const Default = "2000010100000000";

struct DateCase {
    const char* Value;
    const char* Key;  // DateSortKey of the result
};

TEST(MainDMDatesTest, ParseMailDateToJapanTime) {
    const DateCase cases[] = {
        {"Thu, 15 Mar 2001 14:05:09 +0900", "2001031514050900"},
        {"Thu, 15 Mar 2001 14:05:09 +0000", "2001031523050900"},
        {"Thu, 15 Mar 2001 14:05:09 -0500", "2001031604050900"},
        {"Thu, 15 Mar 2001 14:05:09 +1000", "2001031513050900"},
        {"Thu, 15 Mar 2001 14:05:09 +0530", "2001031518050900"},  // offset minutes ignored
        {"Thu, 15 Mar 2001 14:05:09 -1400", "2001031613050900"},  // 23 hours: still read
        {"Thu, 15 Mar 2001 14:05:09 +3200", "2001031415050900"},  // -23 hours
        {"Thu, 15 Mar 2001 14:05:09 -1500", Default},             // 24 hours and more
        {"Thu, 15 Mar 2001 14:05:09 +3300", Default},
        {"Thu, 15 Mar 2001 14:05:09 +0900 (JST)", "2001031514050900"},
        {"Thu, 15 Mar 2001 14:05:09 JST", "2001031514050900"},
        {"Thu, 15 Mar 2001 14:05:09 GMT", "2001031514050900"},
        {"Thu, 15 mar 2001 14:05:09 +0900", "2001031514050900"},
        {"THU, 15 MAR 2001 14:05:09 +0900", "2001031514050900"},
        {"1 Jan 2001 00:00:00 +0900", "2001010100000000"},
        {"Thu,15 Mar 2001 14:05 +0900", "2001031514050000"},
        {"15 Mar 2001", "2001031500000000"},
        {"Mon, 31 Dec 2001 20:00:00 +0000", "2002010105000000"},  // into the next year
        {"Tue, 29 Feb 2000 23:59:59 +0900", "2000022923595900"},
        {"1 Jan 2001 03:00:00 +1300", "2000123123000000"},
        {"Sat, 1 Jan 0001 08:00:00 +0900", "0001010108000000"},
        // Unreadable dates give the default date.
        {"", Default},
        {"Thu, 15 Mar 01 14:05:09 +0900", Default},  // two-digit year
        {"2001/03/15 14:05:09", Default},
        {"Thu, 15 Foo 2001 14:05:09 +0900", Default},
        {"no date at all", Default},
        {"Thu, 29 Feb 2001 10:00:00 +0900", Default},
        {"Thu, 31 Apr 2001 10:00:00 +0900", Default},
        {"Thu, 15 Mar 2001 24:00:00 +0900", Default},
        {"Thu, 15 Mar 2001 14:60:00 +0900", Default},
        {"Thu, 15 Mar 2001 14:05:60 +0900", Default},
        {"Thu, 15 Mar 2001 x14:05:09 +0900", Default},
        {"Thu, 15 Mar 0000 14:05:09 +0900", Default},
        {"Fri, 31 Dec 9999 23:00:00 +0000", Default},  // beyond year 9999 in Japan time
        {"Sat, 1 Jan 0001 08:00:00 +0000", "0001010117000000"},
        {"Sat, 1 Jan 0001 08:00:00 +1800", Default},  // before year 1
        // A zone that is no number gives the default date instead of an error.
        {"Thu, 15 Mar 2001 14:05:09 +A0", Default},
        {"Thu, 15 Mar 2001 14:05:09 -xx", Default},
        {"Thu, 15 Mar 2001 14:05:09 +", Default},
        {"Thu, 15 Mar 2001 14:05:09 GMT (a-b)", Default},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TMainDM::DateSortKey(TMainDM::ParseMailDate(c.Value)), c.Key) << c.Value;
}

TEST(MainDMDatesTest, ParseMailDateIsDayCountSince18991230) {
    EXPECT_EQ(TMainDM::DefaultDate, 36526.0);
    EXPECT_EQ(TMainDM::EncodeDateTime(2000, 1, 1, 0, 0, 0), TMainDM::DefaultDate);
    EXPECT_EQ(TMainDM::EncodeDateTime(1899, 12, 30, 0, 0, 0), 0.0);
    EXPECT_EQ(TMainDM::EncodeDateTime(1899, 12, 29, 12, 0, 0), -0.5);
    EXPECT_DOUBLE_EQ(TMainDM::ParseMailDate("Thu, 15 Mar 2001 14:05:09 +0900"),
                     36965.0 + (14 * 3600 + 5 * 60 + 9) / 86400.0);
}

struct KeyCase {
    int Year, Month, Day, Hour, Minute, Second;
    const char* Key;
};

TEST(MainDMDatesTest, DateSortKeyIsSixteenCharacters) {
    const KeyCase cases[] = {
        {2001, 3, 15, 14, 5, 9, "2001031514050900"},    {1899, 12, 30, 0, 0, 0, "1899123000000000"},
        {1899, 12, 29, 12, 0, 0, "1899122912000000"},   {1, 1, 1, 0, 0, 0, "0001010100000000"},
        {9999, 12, 31, 23, 59, 59, "9999123123595900"}, {2000, 2, 29, 0, 0, 1, "2000022900000100"},
        {2100, 3, 1, 0, 0, 0, "2100030100000000"},
    };
    for (const auto& c : cases) {
        const double t =
            TMainDM::EncodeDateTime(c.Year, c.Month, c.Day, c.Hour, c.Minute, c.Second);
        EXPECT_EQ(TMainDM::DateSortKey(t), c.Key);
    }
}

TEST(MainDMDatesTest, DateSortKeyOrderIsTimeOrder) {
    // One step of 7 hours 13 minutes 11 seconds over some twenty years.
    const double step = (7 * 3600 + 13 * 60 + 11) / 86400.0;
    std::string previous = TMainDM::DateSortKey(TMainDM::EncodeDateTime(1995, 1, 1, 0, 0, 0));
    for (int i = 1; i < 25000; ++i) {
        const std::string key =
            TMainDM::DateSortKey(TMainDM::EncodeDateTime(1995, 1, 1, 0, 0, 0) + i * step);
        ASSERT_EQ(key.size(), 16u);
        ASSERT_LT(previous, key) << i;
        previous = key;
    }
}

// The locale's abbreviated weekday name; Japanese names where no locale service is used.
std::string DayName(int year, int month, int day) {
#ifdef _WIN32
    SYSTEMTIME st = {};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    char name[32];
    EXPECT_GT(GetDateFormatA(LOCALE_USER_DEFAULT, 0, &st, "ddd", name, sizeof name), 0);
    return name;
#else
    std::tm tm = {};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    timegm(&tm);  // fills in the weekday
    static const char* const names[] = {"日", "月", "火", "水", "木", "金", "土"};
    return names[tm.tm_wday];
#endif
}

TEST(MainDMDatesTest, FormatListDateShowsWeekdayOfLocale) {
    for (int day = 11; day <= 17; ++day) {
        const double t = TMainDM::EncodeDateTime(2001, 3, day, 9, 7, 59);
        EXPECT_EQ(TMainDM::FormatListDate(t),
                  "03/" + std::to_string(day) + " (" + DayName(2001, 3, day) + ") 09:07");
    }
    EXPECT_EQ(TMainDM::FormatListDate(TMainDM::ParseMailDate("Thu, 15 Mar 2001 14:05:09 -0500")),
              "03/16 (" + DayName(2001, 3, 16) + ") 04:05");
    EXPECT_EQ(TMainDM::FormatListDate(TMainDM::DefaultDate),
              "01/01 (" + DayName(2000, 1, 1) + ") 00:00");
}

}  // namespace
