#include "history/DeleteHistory.h"

#include <mutex>

#include "headers/MainDM.h"
#include "history/CsvText.h"
#include "history/FileSystem.h"

namespace {

constexpr size_t kFieldCount = 9;
constexpr const char kTemporarySuffix[] = ".tmp";

// Two accounts may finish a deletion at once; each append reads, extends and replaces the file,
// so they take turns.
std::mutex& HistoryLock() {
    static std::mutex lock;
    return lock;
}

CsvText::TRecord ToRecord(const TDeletedMail& m) {
    return {m.DeletedAt, m.Account, m.Method, m.Reason, m.SentAt,
            m.Sender,    m.Subject, m.Size,   m.Uidl};
}

TDeletedMail FromRecord(CsvText::TRecord record) {
    record.resize(kFieldCount);
    return {record[0], record[1], record[2], record[3], record[4],
            record[5], record[6], record[7], record[8]};
}

bool IsHeader(const CsvText::TRecord& record) {
    return CsvText::Record(record) == std::string(TDeleteHistory::HeaderLine) + "\r\n";
}

// The records of the file without its header line; false when it exists but cannot be read.
bool ReadRecords(const std::string& path, std::vector<CsvText::TRecord>& records) {
    records.clear();
    std::string bytes;
    if (!FileSystem::ReadWhole(path, bytes)) return !FileSystem::Exists(path);
    records = CsvText::Parse(bytes);
    if (!records.empty() && IsHeader(records.front())) records.erase(records.begin());
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
    bool writable = !Folder.empty() && FileSystem::CreateFolders(Folder);
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
    if (Folder.empty() || !FileSystem::CreateFolders(Folder)) return false;
    // Replacing would get past a read-only file on some systems; it stays as the user set it.
    if (FileSystem::Exists(FilePath) && !FileSystem::CanWrite(FilePath)) return false;
    std::vector<CsvText::TRecord> records;
    if (!ReadRecords(FilePath, records)) return false;

    const size_t total = records.size() + mails.size();
    const size_t dropped = total > kNewestKept ? total - kNewestKept : 0;
    std::string text = std::string(HeaderLine) + "\r\n";
    for (size_t i = dropped; i < records.size(); ++i) text += CsvText::Record(records[i]);
    const size_t firstNew = dropped > records.size() ? dropped - records.size() : 0;
    for (size_t i = firstNew; i < mails.size(); ++i) text += CsvText::Record(ToRecord(mails[i]));

    const std::string temporary = FilePath + kTemporarySuffix;
    if (!FileSystem::WriteWhole(temporary, text)) return false;
    if (FileSystem::MoveOver(temporary, FilePath)) return true;
    FileSystem::RemoveFile(temporary);
    return false;
}

bool TDeleteHistory::Read(std::vector<TDeletedMail>& mails) const {
    mails.clear();
    std::vector<CsvText::TRecord> records;
    {
        std::lock_guard<std::mutex> lock(HistoryLock());
        if (!ReadRecords(FilePath, records)) return false;
    }
    mails.reserve(records.size());
    for (auto it = records.rbegin(); it != records.rend(); ++it)
        mails.push_back(FromRecord(std::move(*it)));
    return true;
}

std::string TDeleteHistory::TimeText(double dateTime) {
    // "yyyymmddhhnnsszz" cut into its parts.
    const std::string key = TMainDM::DateSortKey(dateTime);
    return key.substr(0, 4) + "/" + key.substr(4, 2) + "/" + key.substr(6, 2) + " " +
           key.substr(8, 2) + ":" + key.substr(10, 2) + ":" + key.substr(12, 2);
}
