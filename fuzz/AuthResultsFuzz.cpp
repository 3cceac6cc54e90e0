// Authentication-Results values with anything a sender may have the provider copy into them:
// whatever comes between the authserv-id and the provider's own "; dmarc=fail", the failure
// is still read. The suffix holds no quote or bracket, so nothing the input opens can close
// over it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "rules/AuthResults.h"

namespace {

void Check(bool holds) {
    if (!holds) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string middle(reinterpret_cast<const char*>(data), size);
    const std::string value = "mx.example.jp; " + middle + "; dmarc=fail";
    Check(TAuthResults::ReportsDmarcFail(value, "mx.example.jp"));
    TAuthResults parsed;
    Check(TAuthResults::Parse(value, parsed) && parsed.AuthServId == "mx.example.jp");
    // Alone, the input never reads as another provider's id with a longer text than it holds.
    if (TAuthResults::Parse(middle, parsed)) Check(parsed.AuthServId.size() <= middle.size());
    return 0;
}
