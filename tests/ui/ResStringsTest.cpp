#include <gtest/gtest.h>
#include <windows.h>

#include "ui/ResStrings.h"

namespace {

struct TEntry {
    unsigned Id;
    const char* Text;
};

// Every entry the program quotes, at its number, byte for byte (Shift_JIS literals).
const TEntry Entries[] = {
    {65248, "2.04"},
    {65266, "アカウントの"},
    {65267, "この接続先をリストから削除しますか?"},
    {65268, "ヘッダの表示　-　"},
    {65269, "help\\prunebox.html"},
    {65270, "パスワードを入力してください"},
    {65271,
     "これ以上の登録変更は出来ません。\r\nさらに登録変更を行う場合はアカウントを\r\n"
     "削除し、再起動してからおこなって下さい。"},
    {65273, "設定"},
    {65274, "追加"},
    {65275, "\\Software\\Korvane\\Prunebox"},
    {65276, "アカウント名 - "},
    {65277, "接続先リストから削除しました。"},
    {65278, "新規"},
    {65285, "DelLog.txt"},
    {65305, "表示なし"},
    {65306, "新規"},
    {65307, "ペットデータ付きメールのみ\r\n削除チェックをつけない。"},
};

TEST(ResStringsTest, EveryQuotedEntryIsAtItsNumberByteForByte) {
    for (const TEntry& entry : Entries) {
        EXPECT_EQ(LoadResString(entry.Id), entry.Text) << "entry " << entry.Id;
    }
}

TEST(ResStringsTest, MissingEntryIsEmpty) { EXPECT_EQ(LoadResString(65327), ""); }

struct TLamp {
    const char* Name;
    COLORREF Body;
};

TEST(ResStringsTest, LampsAreTenByTenSixteenColourOnLightGrey) {
    const TLamp lamps[] = {{"BLUE", RGB(0, 0, 255)},
                           {"GREEN", RGB(0, 255, 0)},
                           {"RED", RGB(255, 0, 0)},
                           {"YELLOW", RGB(255, 255, 0)}};
    HDC dc = CreateCompatibleDC(nullptr);
    for (const TLamp& lamp : lamps) {
        HRSRC found = FindResourceA(nullptr, lamp.Name, reinterpret_cast<LPCSTR>(RT_BITMAP));
        ASSERT_NE(found, nullptr) << lamp.Name;
        const auto* info =
            static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(nullptr, found)));
        EXPECT_EQ(info->biWidth, 10);
        EXPECT_EQ(info->biHeight, 10);
        EXPECT_EQ(info->biBitCount, 4);

        HBITMAP image = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), lamp.Name,
                                                        IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        ASSERT_NE(image, nullptr);
        HGDIOBJ old = SelectObject(dc, image);
        EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0xC0, 0xC0, 0xC0)) << lamp.Name;
        EXPECT_EQ(GetPixel(dc, 9, 0), RGB(0xC0, 0xC0, 0xC0)) << lamp.Name;
        EXPECT_EQ(GetPixel(dc, 5, 5), lamp.Body) << lamp.Name;
        SelectObject(dc, old);
        DeleteObject(image);
    }
    DeleteDC(dc);
}

TEST(ResStringsTest, ProgramIconAndVersionArePresent) {
    EXPECT_NE(FindResourceA(nullptr, "MAINICON", reinterpret_cast<LPCSTR>(RT_GROUP_ICON)), nullptr);
    HRSRC version =
        FindResourceA(nullptr, MAKEINTRESOURCEA(1), reinterpret_cast<LPCSTR>(RT_VERSION));
    ASSERT_NE(version, nullptr);
    const auto* block = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, version)));
    // VS_VERSIONINFO: length, value length, type, "VS_VERSION_INFO", padding, then the fixed part.
    const auto* fixed = reinterpret_cast<const VS_FIXEDFILEINFO*>(block + 40);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00020004u);
}

}  // namespace
