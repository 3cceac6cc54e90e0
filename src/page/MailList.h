#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "rules/RuleSet.h"
#include "worker/MailRow.h"

// The rows of one account's mail list in the order shown: their columns, ticks, the rules'
// decisions and reasons, and the header lines the rules and the viewer read, each held once.
// The list view only shows it. Every change here is a change of the model alone: the window
// that shows it redraws once after it.
class TMailList {
public:
    static constexpr size_t None = static_cast<size_t>(-1);

    size_t Count() const { return Rows_.size(); }
    // The row at `index` with its header lines (empty for a row that came without them).
    const TMailRow& Row(size_t index) const { return Rows_[index]; }
    // Where the row with this unique id stands; None when it is not listed.
    size_t Find(const std::string& uid) const;

    // Appends a row; its header lines are kept for the rules and the viewer.
    void Add(TMailRow row);
    void Clear();

    bool Ticked(size_t index) const { return Rows_[index].Ticked; }
    void SetTicked(size_t index, bool ticked);
    void SetAllTicked(bool ticked);
    size_t TickedCount() const { return TickedRows; }
    // A row whose tick differs from the rules' last decision was ticked or unticked by hand.
    bool HandTicked(size_t index) const {
        return Rows_[index].Ticked != Rows_[index].RuleTicked;
    }

    void SetMessageNumber(size_t index, const std::string& number);

    // Sorts by the list column `column` (see MailSortKey and CompareSortKeys); stable.
    void Sort(int column);
    // Decides every row with a header again: a row ticked or unticked by hand keeps its tick,
    // the others take the new one; every such row takes the new decision as the rules' last and
    // its reason. A tick learning gave stays until the next listing, unless the rules tick the
    // row or the allow list holds its sender now. Gives the rows whose tick changed.
    std::vector<size_t> Redecide(const TRuleSet& rules);

    // Every row as the worker is given it: columns, tick, decision and reason, no header lines.
    std::vector<TMailRow> Rows() const;
    // The text of list column `column` (MailColumn), as shown.
    std::string Cell(size_t index, int column) const;

private:
    std::vector<TMailRow> Rows_;
    size_t TickedRows = 0;
};
