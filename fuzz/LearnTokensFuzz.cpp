// The learning filter on anything: the input read as a message's header, its tokens scored and
// trained, and the same bytes read as a model file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "learn/LearnModel.h"
#include "learn/LearnTokens.h"
#include "learn/MessageHeader.h"

namespace {

void Check(bool holds) {
    if (!holds) __builtin_trap();
}

TLearnModel& Model() {
    static TLearnModel model = [] {
        TLearnModel m;
        m.Train({"subject:sale", "from.dom:example"}, true);
        m.Train({"subject:minutes", "from.dom:example"}, false);
        return m;
    }();
    return model;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = MessageHeader::Lines(input);
    const std::vector<std::string> tokens = TLearnTokens::Of(lines);
    Check(tokens.size() <= TLearnTokens::MaxTokens);
    Check(std::is_sorted(tokens.begin(), tokens.end()));

    TLearnModel& model = Model();
    const TLearnScore score = model.Score(tokens);
    Check(score.Score >= 0 && score.Score <= 1);
    Check(score.Unwanted.size() <= 5 && score.Wanted.size() <= 5);
    const uint32_t before = model.UnwantedCount();
    model.Train(tokens, true);
    Check(model.Untrain(tokens, true) && model.UnwantedCount() == before);

    TLearnModel read;
    if (TLearnModel::Parse(input, read)) Check(read.Serialize() == input);
    return 0;
}
