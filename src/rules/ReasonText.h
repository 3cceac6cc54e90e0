#pragma once
#include <string>

// Why a row was ticked, as the user reads it. The rules give a rule string such as
// "Subject:,未承諾広告"; the list and the viewer show 「件名に「未承諾広告」」 instead. Reasons
// the lists and the checks give are already words and pass unchanged. The deletion history
// keeps the rule string itself, so that its files read as before.
namespace ReasonText {
std::string Sentence(const std::string& reason);
}
