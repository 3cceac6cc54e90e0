#include "pop3/CertQuestion.h"

namespace CertQuestion {

namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace

TDecision Decide(const TCertReport& report, const std::string& storedHash) {
    // Without a fingerprint a "yes" would pin nothing, and would erase the one trusted before.
    if (!report.HasFingerprint()) return TDecision::Refuse;
    if (report.Trusted()) return TDecision::Accept;
    if (storedHash.empty()) return TDecision::Ask;
    if (Lower(storedHash) == CertHashText(report.Sha256)) return TDecision::Accept;
    return TDecision::AskChanged;
}

std::string RefusalText(const TCertReport& report) {
    if (!report.HasFingerprint())
        return "サーバの証明書を確かめられない（証明書がないか、指紋を計算できない）ため、"
               "接続を中止しました。";
    return "証明書が信頼されなかったため、接続を中止しました。";
}

std::string ReasonText(TCertProblem problem) {
    switch (problem) {
        case TCertProblem::UnknownIssuer:
            return "証明書の発行者が信頼されていません（発行者を確かめられません）。";
        case TCertProblem::SelfSigned:
            return "自己署名の証明書です。";
        case TCertProblem::NameMismatch:
            return "証明書の名前がサーバ名と一致しません。";
        case TCertProblem::Expired:
            return "証明書の有効期間外です。";
        case TCertProblem::Revoked:
            return "証明書は失効しています。";
        case TCertProblem::None:
        case TCertProblem::Other:
            break;
    }
    return "証明書を検証できませんでした。";
}

std::string Text(const TCertReport& report, const std::string& host, bool changed) {
    std::string text = "サーバの証明書を信頼できません。\r\n";
    text += ReasonText(report.Problem) + "\r\n";
    if (changed) text += "このアカウントで信頼した証明書から変わっています。\r\n";
    text += "\r\nサーバ: " + host + "\r\n";
    text += "発行先: " + report.Subject + "\r\n";
    text += "発行者: " + report.Issuer + "\r\n";
    text += "有効期間: " + report.ValidFrom + " から " + report.ValidTo + " まで\r\n";
    text += FingerprintText(report.Sha256) + "\r\n";
    text += "\r\nこの証明書をこのアカウントで信頼して接続を続けますか？";
    return text;
}

}  // namespace CertQuestion
