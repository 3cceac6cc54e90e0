#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The status bar's texts that carry a number, composed here alone.
namespace StatusTexts {

// Panel 1: the messages listed.
inline std::string Count(size_t messages) { return "全 " + std::to_string(messages) + "通"; }
// Panel 2 while a listing reads the header of message number.
inline std::string Reading(int32_t number) { return std::to_string(number) + "通目処理中"; }
// Panel 0 while a header is read, and once it is.
inline const char* HeaderRead(bool read) { return read ? "読み込み完了。" : "メールデータ読み込み中..."; }

}  // namespace StatusTexts
