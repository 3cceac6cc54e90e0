// The worker's operations on mail rows: reading headers, building the list, ticking by the
// delete-check rules, deleting, and finding the rows again after a reconnection.
#include <algorithm>
#include <optional>
#include <set>
#include <string>

#include "headers/MainDM.h"
#include "headers/SjisSearch.h"
#include "headers/SjisText.h"
#include "pop3/Md5.h"
#include "rules/AuthResults.h"
#include "rules/HeaderField.h"
#include "rules/RuleSet.h"
#include "worker/Connect.h"

namespace {

const char* const UnknownText = "不明 (Prunebox)";

bool ParseNumber(const std::string& text, int32_t& value) { return SjisText::ToInt32(text, value); }

}  // namespace

std::string TConnect::FindHeader(TStringList& lines, size_t& found, const std::string& name) {
    found = std::min(found, lines.size());
    // Only the name decides: what a line carries after it, whatever it is, is never a mark.
    for (size_t i = 0; i + found < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (!HeaderField::HasName(line, name)) continue;
        const std::string value = HeaderField::RuleValue(line, name.size());
        const auto at = lines.begin() + static_cast<std::ptrdiff_t>(i);
        std::rotate(at, at + 1, lines.end());
        ++found;
        return value;
    }
    return std::string();
}

void TConnect::UnfoldHeader(TStringList& lines) {
    TStringList unfolded;
    // Only the last line closes the reply; a "." before it is header text the server un-stuffed.
    const size_t end = !lines.empty() && lines.back() == "." ? lines.size() - 1 : lines.size();
    for (size_t i = 0; i < end; ++i) {
        const std::string& line = lines[i];
        const bool continuation = !line.empty() && (line[0] == '\t' || line[0] == ' ');
        // A continuation with nothing before it stands as a line of its own.
        if (continuation && !unfolded.empty()) {
            unfolded.back() += line[0] == '\t' ? " " + line.substr(1) : line;
        } else {
            unfolded.push_back(line);
        }
    }
    lines.clear();
    for (std::string& line : unfolded) {
        if (!line.empty()) lines.push_back(std::move(line));
    }
}

TConnect::TMark TConnect::AttachmentMark(const std::string& contentType,
                                         const std::string& mailer) {
    const std::string ct = SjisSearch::AsciiLower(contentType);
    if (SjisSearch::Contains(ct, "multipart/mixed")) {
        if (TRuleSet::PostPetMail(contentType, mailer)) return {"Pet?", true};
        return {"あり", false};
    }
    if (ct.empty() || SjisSearch::Contains(ct, "text/plain")) return {"", false};
    if (SjisSearch::Contains(ct, "multipart/alternative") ||
        SjisSearch::Contains(ct, "text/html")) {
        return {"html", false};
    }
    return {"?", false};
}

std::string TConnect::DeleteConfirmText(const TStringList& tickedTitles) {
    std::string text;
    for (size_t i = 0; i < tickedTitles.size() && i < ConfirmTitleLimit; ++i) {
        text += tickedTitles[i] + "\r\n";
    }
    text += "\r\n";
    if (tickedTitles.size() > ConfirmTitleLimit) {
        text += "他 " + std::to_string(tickedTitles.size() - ConfirmTitleLimit) + "通のメール";
    }
    return text + "を削除しますか?";
}

TConnect::TStringList TConnect::ReadErrorHeader() {
    return {"Date: 1 Jan 2001 00:00:00 +0900",
            std::string("Subject: ") + TMailRow::ReadErrorTitle,
            "From: Prunebox",
            "To : Error",
            "Content-Type: text/plain; charset=ISO-2022-JP",
            "Message-Id: <2001.01.01@error",
            "X-UIDL: abcdefghijklmnopqrstuvwxyzabcdef",
            "",
            "."};
}

std::string TConnect::HeaderDigest(const TStringList& header) {
    TMd5 digest;
    for (const std::string& line : header) {
        digest.Update(line.data(), line.size());
        digest.Update("\n", 1);
    }
    return digest.HexDigest();
}

void TConnect::ListMailbox(bool rowsAsListed) {
    Page.SetStatusText(0, "接続しました。");
    const int32_t count = Session->MessageCount;
    Page.SetStatusText(1, "全 " + std::to_string(count) + "通");
    ChoicesProblem.clear();
    // The quiet rows of the last listing: those that left since may be learned as wanted.
    QuietBefore.swap(QuietRows);
    QuietRows.clear();
    if (count == 0) {
        // Everything listed before has left the server.
        Shown.clear();
        ConnectionUids.clear();
        RetainListed();
        RecordListing();
        TeachLearner();
    }
    if (count == 0 || count == TKvSocket::NoCountInStat) {
        Disconnect();
        Page.SetStatusText(
            0, count == 0 ? "メールがありません。" : "このサーバでは使えないようです。");
        return;
    }
    TRuleInputs ruleInputs = Inputs.RuleInputs;
    if (ruleInputs.AutoDelMode != 0 && ruleInputs.SearchesNothing()) {
        ruleInputs.AutoDelMode = 0;
        Page.SetAutoDelMode(0);
    }
    const TRuleSet rules(ruleInputs);
    const std::string& design = Inputs.Design;
    ConnectionUids.clear();
    Listed.clear();
    ListedHere = true;
    try {
        ListRows(rules, design, rowsAsListed);
    } catch (const EPop3Desync&) {
        // Rows listed so far may show another message's header: none may stay to be ticked, and
        // no header of this listing may be kept.
        Page.ClearRows();
        ConnectionUids.clear();
        Listed.clear();
        Cache.Clear();
        throw;
    }
    RecordListing();
    TeachLearner();
    QuietBefore.clear();
    if (!rowsAsListed) ShowListing();
    HeaderLines.clear();
    Page.SetIndicatorState(Index, LampListed);
    size_t ticked = 0;
    for (const TMailRow& row : Shown) ticked += row.Ticked ? 1 : 0;
    Page.SetStatusText(2, ticked > 0 ? "削除予定 " + std::to_string(ticked) + "通" : std::string());
    if (!ChoicesProblem.empty() && !Inputs.Unattended) Page.SetStatusText(0, ChoicesProblem);
}

void TConnect::RetainListed() {
    // Mail gone from the server: its lines are for a learning filter.
    GoneLines.clear();
    for (auto& [uid, entry] : Cache.Retain(ConnectionUids))
        GoneLines[TMailIdentity{uid, entry.Size, entry.HeaderDigest}] = std::move(entry.Lines);
}

void TConnect::RecordListing() {
    Arrived.clear();
    if (!Inputs.Choices) {
        for (const TMailRow& row : Shown)
            if (Fetched.count(row.Columns[TMailRow::Uidl])) Arrived.insert(IdentityOf(row));
        return;
    }
    std::vector<TMailIdentity> listing;
    for (const TMailRow& row : Shown) listing.push_back(IdentityOf(row));
    const TChoiceRecord::TListing changes =
        Inputs.Choices->Listed(listing, TAccountChoices::Today(), !Inputs.Unattended, GoneLines);
    GoneLines.clear();
    Arrived.insert(changes.Arrived.begin(), changes.Arrived.end());
    Inputs.Choices->Save();
    ChoicesProblem = Inputs.Choices->TakeProblem();
    if (ChoicesProblem.empty()) return;
    const std::string entry = ChoicesProblem + "\r\n\r\n";
    Session->WriteLog(entry.data(), entry.size());
}

void TConnect::TeachLearner() {
    if (Inputs.Choices && Inputs.Learner)
        LearnedTick::Teach(*Inputs.Choices, *Inputs.Learner, QuietBefore);
}

TMailIdentity TConnect::IdentityOf(const TMailRow& row) { return TAccountChoices::IdentityOf(row); }

std::vector<int32_t> TConnect::StillDecided(const std::vector<int32_t>& numbers,
                                            const std::map<int32_t, const TMailRow*>& rowOf) {
    // The rules and lists in force now, as the listing would take them.
    TRuleInputs inputs = Inputs.RuleInputs;
    if (Inputs.Choices) {
        if (std::optional<TRuleInputs> now = Inputs.Choices->Rules()) inputs = *now;
    }
    if (inputs.AutoDelMode != 0 && inputs.SearchesNothing()) inputs.AutoDelMode = 0;
    const TRuleSet rules(inputs);
    std::vector<int32_t> still;
    for (int32_t number : numbers) {
        const TMailRow& row = *rowOf.at(number);
        if (Inputs.Choices && Inputs.Choices->ChoiceOf(IdentityOf(row)) == TChoice::Keep) continue;
        const THeaderCache::TEntry* entry = nullptr;
        const auto listed = Listed.find(row.Columns[TMailRow::Uidl]);
        if (row.HeaderLines.empty() && listed != Listed.end())
            entry = Cache.Find(row.Columns[TMailRow::Uidl], listed->second.Size);
        const std::vector<std::string>& lines = entry ? entry->Lines : row.HeaderLines;
        // A header no longer at hand cannot be decided again: the message stays.
        if (lines.empty()) continue;
        int32_t size = 0;
        SjisText::ToInt32(row.Columns[TMailRow::Size], size);
        TDecision decision = rules.Decide(lines, size);
        if (inputs.LearnedDelete)
            decision = LearnedTick::Decide(rules, decision, Inputs.Learner.get(), lines,
                                           inputs.LearnThreshold);
        if (decision.Ticked) still.push_back(number);
    }
    return still;
}

void TConnect::ListRows(const TRuleSet& rules, const std::string& design, bool rowsAsListed) {
    // Sizes and unique ids of the whole mailbox first, then the headers, each row as it comes.
    // The listings checked, their length (not STAT's count) bounds the rest.
    const std::vector<int32_t> sizes = Session->ListAll();
    ConnectionUids = Session->UidlAll();
    const int32_t count = static_cast<int32_t>(std::min(sizes.size(), ConnectionUids.size()));
    Shown.reserve(Shown.size() + static_cast<size_t>(count));
    // The rows kept show the designated header they were read with.
    if (design != CachedDesign) Cache.Clear();
    CachedDesign = design;
    RetainListed();
    Fetched.clear();
    std::vector<int32_t> unknown;
    for (size_t at : Cache.Unknown(ConnectionUids, sizes)) {
        unknown.push_back(static_cast<int32_t>(at + 1));
        Fetched.insert(ConnectionUids[at]);
    }
    auto add = [&](int32_t number, const THeaderCache::TEntry& entry) {
        AddListedRow(number, entry, rules, Cache.Repeats(ConnectionUids[number - 1]),
                     rowsAsListed);
    };
    // Rows go in in the mailbox's order: the kept ones before a fetched one, then it.
    int32_t next = 1;
    auto addKeptUpTo = [&](int32_t end) {
        for (; next < end; ++next) {
            const size_t at = static_cast<size_t>(next - 1);
            add(next, *Cache.Find(ConnectionUids[at], sizes[at]));
        }
    };
    auto fetched = [&](int32_t number, const TStringList& header) {
        addKeptUpTo(number);
        const size_t at = static_cast<size_t>(number - 1);
        THeaderCache::TEntry entry = ReadEntry(header, sizes[at], design);
        add(number, entry);
        Cache.Keep(ConnectionUids[at], std::move(entry));
        next = number + 1;
    };
    if (static_cast<int32_t>(unknown.size()) == count) {
        Session->TopAll(
            count,
            [this](int32_t number) {
                Page.SetStatusText(2, std::to_string(number) + "通目処理中");
                Page.RepaintStatusBar();
                Page.SetStatusText(0, "メールデータ読み込み中...");
                Page.RepaintStatusBar();
            },
            [&](int32_t number, const TStringList& header) {
                Page.SetStatusText(0, "読み込み完了。");
                Page.RepaintStatusBar();
                fetched(number, header);
            });
    } else if (!unknown.empty()) {
        Session->TopEach(
            unknown, [&](size_t i, const TStringList& header) { fetched(unknown[i], header); },
            true);
    }
    addKeptUpTo(count + 1);
}

THeaderCache::TEntry TConnect::ReadEntry(const TStringList& header, int32_t size,
                                         const std::string& design) {
    THeaderCache::TEntry entry;
    entry.Size = size;
    entry.HeaderDigest = HeaderDigest(header);
    TStringList lines = header;
    UnfoldHeader(lines);
    // A header without a single line (Top always ends in ".") gets the read-error header.
    if (lines.empty()) {
        lines = ReadErrorHeader();
        UnfoldHeader(lines);
    }
    // The first field of each name: the names differ, so none can take another's line.
    auto first = [&lines](const std::string& name) {
        return HeaderField::FirstRuleValue(lines, name);
    };
    auto& columns = entry.Row.Columns;
    columns[TMailRow::Title] = TMainDM::DecodeHeaderText(first("Subject:"));
    if (columns[TMailRow::Title] == TMainDM::NoneText) columns[TMailRow::Title] = UnknownText;
    columns[TMailRow::Sender] =
        TMainDM::ExtractSenderName(TMainDM::DecodeHeaderText(first("From:")));
    if (columns[TMailRow::Sender] == TMainDM::NoneText) columns[TMailRow::Sender] = UnknownText;
    const double sent = TMainDM::ParseMailDate(first("Date:"));
    columns[TMailRow::Sent] = TMainDM::FormatListDate(sent);
    columns[TMailRow::Size] = std::to_string(size);

    const TMark mark = AttachmentMark(first("Content-Type:"), first("X-Mailer:"));
    columns[TMailRow::Attachment] = mark.Text;

    if (!design.empty()) columns[TMailRow::Designated] = TMainDM::DecodeHeaderText(first(design));
    columns[TMailRow::DateKey] = TMainDM::DateSortKey(sent);
    entry.Row.AuthServId = TAuthResults::TopmostAuthServId(lines);
    entry.Lines = std::move(lines);
    return entry;
}

void TConnect::AddListedRow(int32_t number, const THeaderCache::TEntry& entry,
                            const TRuleSet& rules, bool sharedId, bool rowsAsListed) {
    TMailRow row = entry.Row;
    const std::string& uid = ConnectionUids[static_cast<size_t>(number - 1)];
    row.Columns[TMailRow::Number] = std::to_string(number);
    row.Columns[TMailRow::Uidl] = uid;
    row.HeaderDigest = entry.HeaderDigest;
    TListedMail& listed = Listed[uid];
    listed = {entry.Size, entry.HeaderDigest, sharedId, {}};
    // The rules read the kept lines again: they may have changed since. Learning comes last.
    const TDecision decision =
        LearnedTick::Decide(rules, rules.Decide(entry.Lines, entry.Size), Inputs.Learner.get(),
                            entry.Lines, Inputs.RuleInputs.LearnThreshold);
    row.Ticked = row.RuleTicked = decision.Ticked;
    row.Reason = decision.Reason;
    // A check keeps the tick the user gave the row by hand.
    const auto hand = HandTicks.find(uid);
    if (hand != HandTicks.end()) row.Ticked = hand->second;
    // And every listing shows the tick the user gave the message, whenever that was.
    if (Inputs.Choices) Inputs.Choices->ApplyTo(row);
    // Kept for the deletion history.
    if (decision.Ticked) listed.Reason = decision.Reason;
    if (Inputs.Learner && !decision.Ticked && !row.Ticked)
        QuietRows[uid] = {entry.Size, entry.Lines};
    if (rowsAsListed) {
        // The page keeps the lines, to decide the row again when the rules change.
        row.HeaderLines = entry.Lines;
        Page.AddRow(row);
        Page.RepaintRows();
        row.HeaderLines.clear();  // the worker never reads them again
    } else if (!Cache.Keepable(uid)) {
        row.HeaderLines = entry.Lines;  // for PostRow: the cache does not hold them
    }
    Shown.push_back(std::move(row));
}

void TConnect::PostRow(const TMailRow& row) {
    const std::string& uid = row.Columns[TMailRow::Uidl];
    const auto listed = Listed.find(uid);
    const THeaderCache::TEntry* entry = row.HeaderLines.empty() && listed != Listed.end()
                                            ? Cache.Find(uid, listed->second.Size)
                                            : nullptr;
    if (!entry) {
        Page.AddRow(row);
        return;
    }
    TMailRow posted = row;
    posted.HeaderLines = entry->Lines;
    Page.AddRow(posted);
}

void TConnect::ShowListing() {
    auto same = [](const TMailRow& a, const TMailRow& b) {
        return a.Columns == b.Columns && a.Ticked == b.Ticked && a.RuleTicked == b.RuleTicked &&
               a.Reason == b.Reason && a.AuthServId == b.AuthServId;
    };
    // An unchanged mailbox leaves the page as it is: thousands of rows cost the window time.
    if (std::equal(Shown.begin(), Shown.end(), Inputs.Rows.begin(), Inputs.Rows.end(), same))
        return;
    Page.ClearRows();
    for (const TMailRow& row : Shown) PostRow(row);
    Page.RepaintRows();
}

int32_t TConnect::NumberOfUid(const std::string& uid) const {
    if (uid.empty()) return 0;
    int32_t found = 0;
    for (size_t k = 0; k < ConnectionUids.size(); ++k) {
        if (ConnectionUids[k] != uid) continue;
        if (found != 0) return 0;  // not unique: no way to tell which one the row meant
        found = static_cast<int32_t>(k + 1);
    }
    return found;
}

int32_t TConnect::NumberOnThisConnection(const TMailRow& row) const {
    int32_t number = 0;
    if (!ParseNumber(row.Columns[TMailRow::Number], number)) return 0;
    if (number < 1 || static_cast<size_t>(number) > ConnectionUids.size()) return 0;
    return ConnectionUids[static_cast<size_t>(number - 1)] == row.Columns[TMailRow::Uidl] ? number
                                                                                          : 0;
}

TConnect::TNotDeleted TConnect::DeleteTickedRows(const std::vector<TMailRow>& rows,
                                                 std::vector<const TMailRow*>& deleted) {
    TNotDeleted notDeleted;
    std::vector<int32_t> numbers, checked;
    std::vector<const TListedMail*> expected;  // for checked
    std::map<int32_t, const TMailRow*> rowOf;
    for (const TMailRow& row : rows) {
        if (!row.Ticked) continue;
        const int32_t number = NumberOnThisConnection(row);
        if (number == 0) {
            ++notDeleted.Gone;
            continue;
        }
        rowOf[number] = &row;
        if (ListedHere && Fetched.count(row.Columns[TMailRow::Uidl])) {
            numbers.push_back(number);
            continue;
        }
        // Found again by unique id only, or listed from lines kept from an earlier connection
        // (a server may give a gone message's id to new mail): see that it is still the
        // message listed.
        const auto listed = Listed.find(row.Columns[TMailRow::Uidl]);
        if (listed == Listed.end()) {
            ++notDeleted.Changed;
        } else if (listed->second.SharedId) {
            ++notDeleted.Shared;
        } else {
            checked.push_back(number);
            expected.push_back(&listed->second);
        }
    }
    if (!checked.empty()) {
        // Kept in the rows' order, as the user saw them.
        std::set<int32_t> approved(numbers.begin(), numbers.end());
        for (int32_t number : Unchanged(checked, expected, notDeleted)) approved.insert(number);
        numbers.clear();
        for (const TMailRow& row : rows) {
            const int32_t number = row.Ticked ? NumberOnThisConnection(row) : 0;
            if (approved.erase(number) > 0) numbers.push_back(number);
        }
    }
    // Unattended, the user's choices and the rules of this moment decide, not those of the
    // listing: the user may have unticked a row or allowed a sender meanwhile.
    if (Inputs.Unattended) numbers = StillDecided(numbers, rowOf);
    CopyNames.clear();
    if (Inputs.KeepCopy) {
        // Only a message whose copy is whole goes.
        std::vector<int32_t> copied;
        for (int32_t number : numbers) {
            if (CopyMessage(number, *rowOf[number])) {
                copied.push_back(number);
            } else {
                ++notDeleted.NotCopied;
            }
        }
        numbers = std::move(copied);
        // The copies took time: decided again just before the first DELE.
        if (Inputs.Unattended) numbers = StillDecided(numbers, rowOf);
    }
    Session->DeleAll(numbers);
    for (int32_t number : numbers) deleted.push_back(rowOf[number]);
    return notDeleted;
}

std::vector<int32_t> TConnect::Unchanged(const std::vector<int32_t>& numbers,
                                         const std::vector<const TListedMail*>& expected,
                                         TNotDeleted& notDeleted) {
    const std::vector<int32_t> sizes = Session->ListAll();
    std::vector<int32_t> sameSize;
    std::vector<const TListedMail*> sameSizeExpected;
    for (size_t i = 0; i < numbers.size(); ++i) {
        const size_t at = static_cast<size_t>(numbers[i] - 1);
        if (at < sizes.size() && sizes[at] == expected[i]->Size) {
            sameSize.push_back(numbers[i]);
            sameSizeExpected.push_back(expected[i]);
        } else {
            ++notDeleted.Changed;
        }
    }
    std::vector<int32_t> same;
    Session->TopEach(sameSize, [&](size_t i, const TStringList& header) {
        if (HeaderDigest(header) == sameSizeExpected[i]->HeaderDigest) {
            same.push_back(sameSize[i]);
        } else {
            ++notDeleted.Changed;
            // A message changed under its id and size: kept, its old header would be listed
            // (and ticked) again at every check.
            Cache.Forget(ConnectionUids[static_cast<size_t>(sameSize[i] - 1)]);
        }
    });
    return same;
}

std::string TConnect::NotDeletedText(const TNotDeleted& notDeleted) {
    if (notDeleted.Gone + notDeleted.Changed + notDeleted.Shared + notDeleted.NotCopied == 0)
        return std::string();
    std::string text = "サーバとの接続を切断しました。";
    if (notDeleted.Gone > 0)
        text += "(削除できなかったメール " + std::to_string(notDeleted.Gone) + "通)";
    if (notDeleted.Changed > 0)
        text += std::to_string(notDeleted.Changed) +
                "通は一覧の後にサーバ上で変わったため削除しませんでした。";
    if (notDeleted.Shared > 0)
        text += std::to_string(notDeleted.Shared) +
                "通は一覧で固有番号が他のメールと同じだったため、再接続の後は削除しませんでした。";
    if (notDeleted.NotCopied > 0)
        text += std::to_string(notDeleted.NotCopied) +
                "通はコピーを保存できなかったため削除しませんでした。";
    return text;
}

void TConnect::Resync(bool forDelete) {
    ConnectionUids.clear();
    ListedHere = false;
    const int32_t count = Session->MessageCount;
    if (count > 0 && count != TKvSocket::NoCountInStat) ConnectionUids = Session->UidlAll();
    // The rows' numbers belonged to the earlier connection: renumber them by unique id. A row
    // whose message is gone (or whose id is not unique any more) keeps no number.
    auto renumber = [this](TMailRow& row) {
        const int32_t number = NumberOfUid(row.Columns[TMailRow::Uidl]);
        std::string text = number > 0 ? std::to_string(number) : std::string();
        const bool changed = text != row.Columns[TMailRow::Number];
        row.Columns[TMailRow::Number] = std::move(text);
        return changed;
    };
    std::vector<TMailRow> rows = Shown;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (renumber(rows[i])) Page.SetMessageNumber(i, rows[i].Columns[TMailRow::Number]);
    }
    if (forDelete) {
        // The deletion itself follows once the connection stands.
        for (TMailRow& row : ConfirmedRows) renumber(row);
        return;
    }
    HeaderLines.clear();
    for (const TMailRow& row : rows) {
        if (!row.Ticked) continue;
        const int32_t number = NumberOnThisConnection(row);
        if (number > 0) ReadHeader(number);
        break;
    }
    // Connected and listed again, no longer busy.
    Page.SetIndicatorState(Index, LampListed);
}
