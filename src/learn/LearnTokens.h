#pragma once
#include <string>
#include <vector>

// The clues a header holds for the learning filter: one distinct token per thing worth counting,
// each prefixed by where it was found ("subject:", "from.dom:", "r1:"...). Any bytes are valid;
// the work done is bounded by the limits below, whatever the header's size.
class TLearnTokens {
public:
    // Fields read from the top; a header longer than this is counted as such.
    static constexpr size_t MaxFields = 200;
    // Bytes of one field's value read; the rest of it is dropped.
    static constexpr size_t MaxValueBytes = 2048;
    // Tokens one header gives at most.
    static constexpr size_t MaxTokens = 4000;

    // `lines`: the header unfolded, one field a line, raw as the server sent it. The tokens come
    // back sorted, each once.
    static std::vector<std::string> Of(const std::vector<std::string>& lines);
};
