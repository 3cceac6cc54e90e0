#include <gtest/gtest.h>

#include <cctype>

#include "pop3/CertQuestion.h"

namespace {

std::string Bytes(unsigned char first, unsigned char rest) {
    std::string hash(32, static_cast<char>(rest));
    hash[0] = static_cast<char>(first);
    return hash;
}

TCertReport Report(TCertProblem problem, const std::string& sha256) {
    TCertReport r;
    r.Problem = problem;
    r.Subject = "CN=pop.example.jp";
    r.Issuer = "CN=テスト認証局";
    r.ValidFrom = "2026/01/02 03:04";
    r.ValidTo = "2027/01/02 03:04";
    r.Sha256 = sha256;
    return r;
}

TEST(CertQuestionTest, FingerprintIsUpperCasePairsAndStoredHashLowerCaseRun) {
    const std::string hash = Bytes(0x0A, 0xF5);
    std::string pairs;
    for (int i = 1; i < 32; ++i) pairs += ":F5";
    EXPECT_EQ(FingerprintText(hash), "SHA-256: 0A" + pairs);
    std::string expected = "0a";
    for (int i = 1; i < 32; ++i) expected += "f5";
    EXPECT_EQ(CertHashText(hash), expected);
}

TEST(CertQuestionTest, OnlyAPassingOrTheTrustedCertificateGoesOnWithoutAQuestion) {
    using D = CertQuestion::TDecision;
    const std::string seen = Bytes(1, 2);
    const std::string seenHex = CertHashText(seen);
    std::string upper = seenHex;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const struct {
        const char* What;
        TCertProblem Problem;
        std::string Sha256;
        std::string Stored;
        D Expected;
    } cases[] = {
        {"passes, nothing stored", TCertProblem::None, seen, "", D::Accept},
        {"passes, another stored", TCertProblem::None, seen, "00", D::Accept},
        {"fails, nothing stored", TCertProblem::SelfSigned, seen, "", D::Ask},
        {"fails, this one stored", TCertProblem::SelfSigned, seen, seenHex, D::Accept},
        {"fails, stored in upper case", TCertProblem::Expired, seen, upper, D::Accept},
        {"fails, another stored", TCertProblem::NameMismatch, seen, CertHashText(Bytes(1, 3)),
         D::AskChanged},
        // Nothing to trust or match: never a question whose "yes" pins nothing.
        {"no certificate at all", TCertProblem::Other, "", "", D::Refuse},
        {"no certificate, something stored", TCertProblem::Other, "", seenHex, D::Refuse},
        {"passes, but no fingerprint", TCertProblem::None, "", "", D::Refuse},
        {"fingerprint cut short, stored as cut", TCertProblem::SelfSigned, seen.substr(1),
         CertHashText(seen.substr(1)), D::Refuse},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CertQuestion::Decide(Report(c.Problem, c.Sha256), c.Stored), c.Expected)
            << c.What;
}

TEST(CertQuestionTest, QuestionNamesReasonHostCertificateAndAsksAboutThisAccount) {
    const auto report = Report(TCertProblem::UnknownIssuer, Bytes(0xAB, 0xCD));
    for (bool changed : {false, true}) {
        const std::string text = CertQuestion::Text(report, "pop.example.jp", changed);
        for (const std::string& part :
             {CertQuestion::ReasonText(TCertProblem::UnknownIssuer),
              std::string("サーバ: pop.example.jp\r\n"),
              std::string("発行先: CN=pop.example.jp\r\n"),
              std::string("発行者: CN=テスト認証局\r\n"),
              std::string("2026/01/02 03:04 から 2027/01/02 03:04 まで"),
              FingerprintText(report.Sha256) + "\r\n", std::string("このアカウントで信頼")})
            EXPECT_NE(text.find(part), std::string::npos) << part;
        EXPECT_EQ(text.find("変わっています") != std::string::npos, changed);
    }
}

}  // namespace
