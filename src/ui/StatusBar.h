#pragma once
#include <windows.h>

#include <string>

// An account page's status bar: part 0 the state with its tip, part 1 the mailbox's size,
// part 2 the progress or the count ticked for deletion, and part 3, while there is one, how
// the connection is protected. Parts 1 and 2 are sized from the longest texts they show.
class TStatusBar {
public:
    HWND Handle = nullptr;

    void Create(HWND parent, int id, HFONT font);

    // Text of part 0..3 as shown (parts after 0 are centred).
    void SetText(int part, const std::string& text);
    std::string Text(int part) const;
    // Part 0's tool tip; empty for none.
    void SetTip(const std::string& text);
    std::string Tip() const;
    // "削除予定 N通" in part 2.
    void ShowDeletionCount(int count);
    static std::string DeletionCountText(int count);
    // The part at the right end is there only while the text is not empty.
    void ShowProtection(const std::string& text);
    // 3, or 4 while a protection is shown.
    int PartCount() const;
    // After the parent's size changed: the bar takes its width and the parts their places.
    void Resize();

private:
    void SetPartEdges();
    int ProtectionWidth = 0;
};
