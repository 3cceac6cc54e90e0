#include "history/DeleteHistory.h"

#include <algorithm>
#include <mutex>

#include "headers/MainDM.h"
#include "history/CsvText.h"
#include "history/FileSystem.h"

namespace {

constexpr size_t kOldFieldCount = 9;
constexpr size_t kFieldCount = 10;
// A quoted cell may hold line ends; beyond this many lines a quote left open is damage.
constexpr size_t kLinesPerRecord = 8;
constexpr const char kTemporarySuffix[] = ".tmp";

// Two accounts may finish a deletion at once; each append reads, extends and replaces the file,
// so they take turns.
std::mutex& HistoryLock() {
    static std::mutex lock;
    return lock;
}

// The cell, past any "'" before it, begins as a formula would.
bool LooksLikeFormula(const std::string& cell, size_t& quotes) {
    quotes = cell.find_first_not_of('\'');
    return quotes != std::string::npos && std::string("=+-@\t\r").find(cell[quotes]) != std::string::npos;
}

// A subject such as "=HYPERLINK(...)" is text to a spreadsheet only after a "'". One taken off
// on reading gives the cell back exactly: a cell of "'"s before such a start gets one more.
std::string Guarded(const std::string& cell) {
    size_t quotes = 0;
    return LooksLikeFormula(cell, quotes) ? "'" + cell : cell;
}

std::string Unguarded(const std::string& cell) {
    size_t quotes = 0;
    return LooksLikeFormula(cell, quotes) && quotes > 0 ? cell.substr(1) : cell;
}

CsvText::TRecord ToRecord(const TDeletedMail& m) {
    CsvText::TRecord record = {m.DeletedAt, m.Account, m.Method, m.Reason, m.SentAt,
                               m.Sender,    m.Subject, m.Size,   m.Uidl,   m.CopyName};
    for (std::string& cell : record) cell = Guarded(cell);
    return record;
}

TDeletedMail FromRecord(CsvText::TRecord record) {
    record.resize(kFieldCount);
    for (std::string& cell : record) cell = Unguarded(cell);
    return {record[0], record[1], record[2], record[3], record[4],
            record[5], record[6], record[7], record[8], record[9]};
}

// One line of the file (or a record whose quoted cell holds line ends) and where its bytes lie.
struct TLine {
    size_t Begin = 0, End = 0;  // End past its line end
    CsvText::TRecord Fields;
    bool Damaged = false;
    std::string Text;  // of a damaged line, as written
};

// Where the physical line starting at `at` ends, without and with its line end.
void LineEnd(const std::string& bytes, size_t at, size_t& textEnd, size_t& next) {
    textEnd = bytes.find_first_of("\r\n", at);
    if (textEnd == std::string::npos) {
        textEnd = next = bytes.size();
        return;
    }
    next = textEnd + (bytes[textEnd] == '\r' && textEnd + 1 < bytes.size() &&
                              bytes[textEnd + 1] == '\n'
                          ? 2
                          : 1);
}

bool QuotesClosed(const std::string& text) {
    return std::count(text.begin(), text.end(), '"') % 2 == 0;
}

bool Readable(const std::vector<CsvText::TRecord>& records) {
    return records.size() == 1 &&
           (records[0].size() == kFieldCount || records[0].size() == kOldFieldCount);
}

// The file's lines, one by one: a quote left open may take in the next few lines only when that
// gives one readable record; otherwise the line alone is damaged and the next one reads anew.
std::vector<TLine> SplitLines(const std::string& bytes) {
    std::vector<TLine> lines;
    for (size_t at = 0; at < bytes.size();) {
        size_t textEnd = 0, next = 0;
        LineEnd(bytes, at, textEnd, next);
        TLine line;
        line.Begin = at;
        line.End = next;
        const std::string text = bytes.substr(at, textEnd - at);
        std::vector<CsvText::TRecord> records = CsvText::Parse(text);
        if (text.empty()) {
            at = next;
            continue;
        }
        if (!QuotesClosed(text)) {
            size_t joinedEnd = next;
            for (size_t count = 1; count < kLinesPerRecord && joinedEnd < bytes.size(); ++count) {
                size_t end = 0, after = 0;
                LineEnd(bytes, joinedEnd, end, after);
                const std::string joined = bytes.substr(at, end - at);
                joinedEnd = after;
                if (!QuotesClosed(joined)) continue;
                std::vector<CsvText::TRecord> spanning = CsvText::Parse(joined);
                if (Readable(spanning)) {
                    records = std::move(spanning);
                    line.End = after;
                }
                break;
            }
        }
        line.Damaged = !QuotesClosed(bytes.substr(at, line.End - at)) || !Readable(records);
        if (line.Damaged)
            line.Text = text;
        else
            line.Fields = std::move(records[0]);
        at = line.End;
        lines.push_back(std::move(line));
    }
    return lines;
}

bool IsHeader(const std::string& text) {
    return text == TDeleteHistory::HeaderLine || text == TDeleteHistory::NineColumnHeaderLine;
}

// The file's bytes and its lines after the header line; false when it exists but cannot be
// read. `body` is where the lines begin.
bool ReadLines(const std::string& path, std::string& bytes, std::vector<TLine>& lines,
               size_t& body) {
    lines.clear();
    body = 0;
    bytes.clear();
    if (!FileSystem::ReadWhole(path, bytes)) return !FileSystem::Exists(path);
    size_t textEnd = 0, next = 0;
    LineEnd(bytes, 0, textEnd, next);
    if (IsHeader(bytes.substr(0, textEnd))) body = next;
    lines = SplitLines(bytes.substr(body));
    return true;
}

}  // namespace

bool TDeletedMail::operator==(const TDeletedMail& other) const {
    return ToRecord(*this) == ToRecord(other);
}

TDeleteHistory::TDeleteHistory(std::string folder)
    : Folder(std::move(folder)), FilePath(FileSystem::JoinPath(Folder, FileName)) {}

std::string TDeleteHistory::WriteProblem() const {
    std::lock_guard<std::mutex> lock(HistoryLock());
    if (!FileSystem::IsAbsolute(Folder))
        return "削除履歴のフォルダ (%LOCALAPPDATA%\\Prunebox) を使えないため、自動削除をしませんでした。"
               "サーバ上のメールは削除されていません。";
    bool writable = FileSystem::CreateFolders(Folder);
    if (writable && FileSystem::Exists(FilePath)) writable = FileSystem::CanWrite(FilePath);
    // The file is replaced through a new one beside it: that must be possible too.
    const std::string probe = FilePath + kTemporarySuffix;
    if (writable) writable = FileSystem::WriteWhole(probe, "") && FileSystem::RemoveFile(probe);
    if (writable) return "";
    return "削除履歴 " + FilePath +
           " に書き込めないため、自動削除をしませんでした。サーバ上のメールは削除されていません。"
           "Excel などで開いていれば閉じてください。";
}

bool TDeleteHistory::Append(const std::vector<TDeletedMail>& mails) {
    if (mails.empty()) return true;
    std::lock_guard<std::mutex> lock(HistoryLock());
    if (!FileSystem::IsAbsolute(Folder) || !FileSystem::CreateFolders(Folder)) return false;
    // Replacing would get past a read-only file on some systems; it stays as the user set it.
    if (FileSystem::Exists(FilePath) && !FileSystem::CanWrite(FilePath)) return false;
    std::string bytes;
    std::vector<TLine> lines;
    size_t body = 0;
    if (!ReadLines(FilePath, bytes, lines, body)) return false;

    // The lines kept go over byte for byte: what was not understood is not written anew.
    const size_t total = lines.size() + mails.size();
    const size_t dropped = total > kNewestKept ? total - kNewestKept : 0;
    std::string text = std::string(HeaderLine) + "\r\n";
    if (dropped < lines.size()) {
        text.append(bytes, body + lines[dropped].Begin, std::string::npos);
        if (text.back() != '\n' && text.back() != '\r') text += "\r\n";
    }
    const size_t firstNew = dropped > lines.size() ? dropped - lines.size() : 0;
    for (size_t i = firstNew; i < mails.size(); ++i) text += CsvText::Record(ToRecord(mails[i]));

    const std::string temporary = FilePath + kTemporarySuffix;
    if (!FileSystem::WriteWhole(temporary, text)) return false;
    if (FileSystem::MoveOver(temporary, FilePath)) return true;
    FileSystem::RemoveFile(temporary);
    return false;
}

bool TDeleteHistory::Read(std::vector<TDeletedMail>& mails) const {
    mails.clear();
    std::string bytes;
    std::vector<TLine> lines;
    size_t body = 0;
    {
        std::lock_guard<std::mutex> lock(HistoryLock());
        if (!ReadLines(FilePath, bytes, lines, body)) return false;
    }
    mails.reserve(lines.size());
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        if (!it->Damaged) {
            mails.push_back(FromRecord(std::move(it->Fields)));
            continue;
        }
        TDeletedMail damaged;
        damaged.Method = Damaged;
        damaged.Subject = it->Text;
        mails.push_back(std::move(damaged));
    }
    return true;
}

std::string TDeleteHistory::TimeText(double dateTime) {
    // "yyyymmddhhnnsszz" cut into its parts.
    const std::string key = TMainDM::DateSortKey(dateTime);
    return key.substr(0, 4) + "/" + key.substr(4, 2) + "/" + key.substr(6, 2) + " " +
           key.substr(8, 2) + ":" + key.substr(10, 2) + ":" + key.substr(12, 2);
}
