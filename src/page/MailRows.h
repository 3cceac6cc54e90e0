#pragma once
#include <string>
#include <vector>

#include "worker/MailRow.h"

// Mail list columns: the six shown columns of a mail row, the reason, then the row's three
// hidden ones, found from the end.
namespace MailColumn {
constexpr int Title = TMailRow::Title, Sender = TMailRow::Sender, Sent = TMailRow::Sent,
              Size = TMailRow::Size, Attachment = TMailRow::Attachment,
              Designated = TMailRow::Designated;
constexpr int Reason = Designated + 1;  // the last shown column
constexpr int Count = TMailRow::ColumnCount + 1;
// The list column that shows a mail row's column.
constexpr int OfRow(int rowColumn) { return rowColumn <= Designated ? rowColumn : rowColumn + 1; }
inline int MailNumber(int count) { return count - 3; }
inline int DateKey(int count) { return count - 2; }
inline int Uidl(int count) { return count - 1; }
}  // namespace MailColumn

// One ascending (+1) or descending (-1) factor per sortable column, shared by every page.
extern std::vector<int> SortDirections;

// Sets SortDirections to one +1 per sortable column (column count - 3).
void ResetSortDirections(int columnCount);

// What a click on the list's column sorts a row by.
std::string MailSortKey(const TMailRow& row, int column);
// Compares two rows' sort keys for a click on column: lstrcmpA, times the column's direction.
int CompareSortKeys(const std::string& key1, const std::string& key2, int column);
