#pragma once
#include <string>
#include <vector>

// One deleted message as the history keeps it; every field is text as the file holds it.
struct TDeletedMail {
    std::string DeletedAt;  // "yyyy/mm/dd hh:nn:ss", see TDeleteHistory::TimeText
    std::string Account;    // the account's name
    std::string Method;     // TDeleteHistory::ByHand or ::Automatic
    std::string Reason;     // the rule string that ticked the row, "PostPet" or "手動"
    std::string SentAt;
    std::string Sender;
    std::string Subject;
    std::string Size;  // bytes
    std::string Uidl;

    bool operator==(const TDeletedMail& other) const;
};

// The deletion history, "deleted.csv" in the program's folder: Shift_JIS, CR LF, RFC 4180 quoting,
// a header line, then one line per deleted message, oldest first, the newest kNewestKept kept.
// One writer at a time in the process; the file is only ever replaced whole, so a failed write
// leaves it as it was.
class TDeleteHistory {
public:
    static constexpr size_t kNewestKept = 10000;
    static constexpr const char* FileName = "deleted.csv";
    static constexpr const char* HeaderLine =
        "削除日時,アカウント,方法,理由,送信日時,差出人,件名,サイズ,UIDL";
    static constexpr const char* ByHand = "手動";
    static constexpr const char* Automatic = "自動";
    static constexpr const char* ReasonByHand = "手動";
    // Added to the status of a deletion that went ahead without its history lines.
    static constexpr const char* NotWrittenText =
        "（削除履歴を書けませんでした。deleted.csv を Excel などで開いていれば閉じてください）";

    // `folder`: where the file lives (the program's folder); created when needed.
    explicit TDeleteHistory(std::string folder);

    const std::string& Path() const { return FilePath; }

    // Empty when lines can be appended now; otherwise the sentences that say why an automatic
    // deletion deletes nothing, and what to do.
    std::string WriteProblem() const;
    // Appends the lines of one deletion, oldest first, dropping the oldest beyond kNewestKept.
    // All or nothing: false leaves the file as it was. A read-only file stays untouched.
    bool Append(const std::vector<TDeletedMail>& mails);
    // The kept lines, newest first, into `mails`; no file gives none. False when the file exists
    // but cannot be read.
    bool Read(std::vector<TDeletedMail>& mails) const;

    // A day count since 1899-12-30 as the history writes times: "yyyy/mm/dd hh:nn:ss".
    static std::string TimeText(double dateTime);

private:
    std::string Folder;
    std::string FilePath;
};
