#pragma once
#include <string>
#include <vector>

#include "worker/MailRow.h"

// Mail list columns: those of a mail row, six shown, then three hidden ones found from the end.
namespace MailColumn {
constexpr int Title = TMailRow::Title, Sender = TMailRow::Sender, Sent = TMailRow::Sent,
              Size = TMailRow::Size, Attachment = TMailRow::Attachment,
              Designated = TMailRow::Designated;
constexpr int Count = TMailRow::ColumnCount;
inline int MailNumber(int count) { return count - 3; }
inline int DateKey(int count) { return count - 2; }
inline int Uidl(int count) { return count - 1; }
}  // namespace MailColumn

// One ascending (+1) or descending (-1) factor per sortable column, shared by every page.
extern std::vector<int> SortDirections;

// Sets SortDirections to one +1 per sortable column (column count - 3).
void ResetSortDirections(int columnCount);

// Compares two rows (all columns' texts) for a click on column: the column's key compared
// with lstrcmpA, times the column's direction.
int CompareMailRows(const std::vector<std::string>& row1, const std::vector<std::string>& row2,
                    int column);
