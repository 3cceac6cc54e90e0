#include "page/MailRows.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

std::vector<int> SortDirections;

void ResetSortDirections(int columnCount) { SortDirections.assign(columnCount - 3, 1); }

namespace {

std::string SortKey(const std::vector<std::string>& row, int column) {
    const int count = static_cast<int>(row.size());
    switch (column) {
        case MailColumn::Sent:
            return row[MailColumn::DateKey(count)];
        case MailColumn::Size: {
            char digits[32];
            std::snprintf(digits, sizeof digits, "%08lld",
                          std::strtoll(row[MailColumn::Size].c_str(), nullptr, 10));
            return digits;
        }
        default:
            return row[column];
    }
}

}  // namespace

int CompareMailRows(const std::vector<std::string>& row1, const std::vector<std::string>& row2,
                    int column) {
    int direction = column < static_cast<int>(SortDirections.size()) ? SortDirections[column] : 1;
    return lstrcmpA(SortKey(row1, column).c_str(), SortKey(row2, column).c_str()) * direction;
}
