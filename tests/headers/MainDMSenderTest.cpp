#include <gtest/gtest.h>

#include "headers/MainDM.h"

namespace {

struct SenderCase {
    const char* From;
    const char* Name;
};

TEST(MainDMSenderTest, ExtractSenderNameForms) {
    const SenderCase cases[] = {
        {"\"Sales Desk\" <sales@example.com>", "Sales Desk"},
        {"Sales Desk <sales@example.com>", "Sales Desk"},
        {"sales@example.com (Sales Desk)", "Sales Desk"},
        {"  sales@example.com  ", "sales"},
        {"sales", "sales"},
        {"\"sales@example.com\" <desk@example.jp>", "desk@example.jp"},
        {"sales@example.com (desk@example.jp)", "desk@example.jp"},
        {"<sales@example.com>", ""},
        {"\"\" <sales@example.com>", ""},
        {"\"Taro\" taro@example.jp", "Taro"},
        {"なし", "なし"},
        {"\"山田 太郎\" <taro@example.jp>", "山田 太郎"},
        {"山田 太郎 <taro@example.jp>", "山田 太郎"},
        // 0x40, the second byte of 　 (81 40) and ァ (83 40), is no "@".
        {"山田　太郎 <taro@example.jp>", "山田　太郎"},
        {"\"ァイ\" <ai@example.jp>", "ァイ"},
        {"ai@example.jp (ァイ)", "ァイ"},
        {"ァイ", "ァイ"},
        {"ァイ@example.jp", "ァイ"},
        // The address part in brackets or parentheses loses its first and last characters.
        {"\"a@b\" <x>", "x"},
        {"\"a@b\" <>", ""},
        {"\"a@b\" (ァイウ)", "ァイウ"},
        {"\"a@b\" <ァイ", "ァ"},  // a two-byte last character goes whole
    };
    for (const auto& c : cases) EXPECT_EQ(TMainDM::ExtractSenderName(c.From), c.Name) << c.From;
}

}  // namespace
