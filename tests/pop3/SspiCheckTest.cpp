#include <gtest/gtest.h>

#include "pop3/SspiCheck.h"

namespace {

TEST(SspiCheck, StatusesByNameAndNumber) {
    const struct {
        unsigned long Status;
        const char* Text;
    } cases[] = {
        {0x80090326, "SEC_E_ILLEGAL_MESSAGE (0x80090326)"},
        {0x80090330, "SEC_E_DECRYPT_FAILURE (0x80090330)"},
        {0x00090317, "SEC_I_CONTEXT_EXPIRED (0x00090317)"},
        {0x80090317, "SEC_E_CONTEXT_EXPIRED (0x80090317)"},
        {0x80090399, "0x80090399"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TSspiCheck::Describe(static_cast<long>(static_cast<int32_t>(c.Status))), c.Text);
    EXPECT_EQ(TSspiCheck::Call("DecryptMessage", static_cast<int32_t>(0x80090330)),
              "DecryptMessage: SEC_E_DECRYPT_FAILURE (0x80090330)");
}

TEST(SspiCheck, EveryRequiredGrantIsChecked) {
    const uint32_t all = TSspiCheck::Confidentiality | TSspiCheck::Stream |
                         TSspiCheck::SequenceDetect | TSspiCheck::ReplayDetect;
    const struct {
        uint32_t Granted;
        const char* Missing;
    } cases[] = {
        {all | 0x100, ""},
        {all & ~TSspiCheck::Confidentiality, "CONFIDENTIALITY"},
        {all & ~TSspiCheck::Stream, "STREAM"},
        {all & ~TSspiCheck::SequenceDetect, "SEQUENCE_DETECT"},
        {all & ~TSspiCheck::ReplayDetect, "REPLAY_DETECT"},
        {0, "CONFIDENTIALITY STREAM SEQUENCE_DETECT REPLAY_DETECT"},
    };
    for (const auto& c : cases) EXPECT_EQ(TSspiCheck::MissingGrants(c.Granted), c.Missing);
}

}  // namespace
