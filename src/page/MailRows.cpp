#include "page/MailRows.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

std::vector<int> SortDirections;

void ResetSortDirections(int columnCount) { SortDirections.assign(columnCount - 3, 1); }

std::string MailSortKey(const TMailRow& row, int column) {
    switch (column) {
        case MailColumn::Sent:
            return row.Columns[TMailRow::DateKey];
        case MailColumn::Size: {
            char digits[32];
            std::snprintf(digits, sizeof digits, "%08lld",
                          std::strtoll(row.Columns[TMailRow::Size].c_str(), nullptr, 10));
            return digits;
        }
        case MailColumn::Reason:
            return row.Reason;
        default:
            return column >= 0 && column < MailColumn::Reason ? row.Columns[column] : std::string();
    }
}

int CompareSortKeys(const std::string& key1, const std::string& key2, int column) {
    int direction = column < static_cast<int>(SortDirections.size()) ? SortDirections[column] : 1;
    return lstrcmpA(key1.c_str(), key2.c_str()) * direction;
}
