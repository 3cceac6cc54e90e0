#include "page/MailList.h"

#include <algorithm>

#include "headers/SjisText.h"
#include "page/MailRows.h"
#include "rules/ReasonText.h"
#include "worker/LearnedTick.h"

size_t TMailList::Find(const std::string& uid) const {
    for (size_t i = 0; i < Rows_.size(); ++i) {
        if (Rows_[i].Columns[TMailRow::Uidl] == uid) return i;
    }
    return None;
}

void TMailList::Add(TMailRow row) {
    if (row.Ticked) ++TickedRows;
    Rows_.push_back(std::move(row));
}

void TMailList::Clear() {
    Rows_.clear();
    Rows_.shrink_to_fit();
    TickedRows = 0;
}

void TMailList::SetTicked(size_t index, bool ticked) {
    if (index >= Rows_.size() || Rows_[index].Ticked == ticked) return;
    Rows_[index].Ticked = ticked;
    if (ticked)
        ++TickedRows;
    else
        --TickedRows;
}

void TMailList::SetAllTicked(bool ticked) {
    for (TMailRow& row : Rows_) row.Ticked = ticked;
    TickedRows = ticked ? Rows_.size() : 0;
}

void TMailList::SetMessageNumber(size_t index, const std::string& number) {
    if (index < Rows_.size()) Rows_[index].Columns[TMailRow::Number] = number;
}

void TMailList::Sort(int column) {
    // One key per row, taken once: the comparison runs n log n times.
    std::vector<std::pair<std::string, size_t>> keys;
    keys.reserve(Rows_.size());
    for (size_t i = 0; i < Rows_.size(); ++i) keys.emplace_back(MailSortKey(Rows_[i], column), i);
    std::stable_sort(keys.begin(), keys.end(), [column](const auto& a, const auto& b) {
        return CompareSortKeys(a.first, b.first, column) < 0;
    });
    std::vector<TMailRow> sorted;
    sorted.reserve(Rows_.size());
    for (const auto& key : keys) sorted.push_back(std::move(Rows_[key.second]));
    Rows_ = std::move(sorted);
}

std::vector<size_t> TMailList::Redecide(const TRuleSet& rules) {
    std::vector<size_t> changed;
    for (size_t i = 0; i < Rows_.size(); ++i) {
        TMailRow& row = Rows_[i];
        if (row.HeaderLines.empty()) continue;
        int32_t size = 0;  // the listing's sizes are 32-bit
        SjisText::ToInt32(row.Columns[TMailRow::Size], size);
        TDecision decision = rules.Decide(row.HeaderLines, size);
        // A tick learning gave stands until the next listing scores the row again: scoring
        // every row here would hold the window up. The rules and the allow list still win.
        if (!decision.Ticked && decision.Reason.empty() && LearnedTick::IsLearned(row.Reason) &&
            !rules.Allows(row.HeaderLines))
            decision = {row.RuleTicked, row.Reason};
        if (row.Ticked == row.RuleTicked && row.Ticked != decision.Ticked) {
            SetTicked(i, decision.Ticked);
            changed.push_back(i);
        }
        row.RuleTicked = decision.Ticked;
        row.Reason = decision.Reason;
    }
    return changed;
}

std::vector<TMailRow> TMailList::Rows() const {
    std::vector<TMailRow> rows;
    rows.reserve(Rows_.size());
    for (const TMailRow& row : Rows_) {
        rows.emplace_back();
        TMailRow& copy = rows.back();
        copy.Columns = row.Columns;
        copy.Ticked = row.Ticked;
        copy.RuleTicked = row.RuleTicked;
        copy.Reason = row.Reason;
        copy.AuthServId = row.AuthServId;
    }
    return rows;
}

std::string TMailList::Cell(size_t index, int column) const {
    if (index >= Rows_.size() || column < 0 || column >= MailColumn::Count) return std::string();
    const TMailRow& row = Rows_[index];
    if (column == MailColumn::Reason) return ReasonText::Sentence(row.Reason);
    return row.Columns[column < MailColumn::Reason ? column : column - 1];
}
