#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One token's part in a score: positive pushes towards unwanted, negative towards wanted.
struct TLearnClue {
    std::string Token;
    double Weight = 0;
};

struct TLearnScore {
    double Score = 0.5;                // 0 wanted .. 1 unwanted
    std::vector<TLearnClue> Unwanted;  // the strongest pushes each way, strongest first
    std::vector<TLearnClue> Wanted;
};

// What the filter has learned: online logistic regression over hashed tokens. Weights are whole
// numbers (fixed point) and every training step moves each of the message's tokens by one and
// the same step, which the model notes beside the message's fingerprint: untraining subtracts
// exactly that step again, so a train followed by its untrain leaves the model as it was. The
// memory and the file are bounded whatever is trained.
class TLearnModel {
public:
    static constexpr unsigned BucketBits = 20;
    static constexpr size_t BucketCount = size_t(1) << BucketBits;
    // Training steps remembered for untraining; the oldest are forgotten first.
    static constexpr size_t MaxJournal = 200000;
    // Fixed-point unit of a weight.
    static constexpr double Unit = 65536.0;

    TLearnModel();

    // `tokens`: one header's distinct tokens (TLearnTokens::Of).
    void Train(const std::vector<std::string>& tokens, bool unwanted);
    // Takes back the latest Train of the same tokens and label; false (and no change) when the
    // model remembers no such training.
    bool Untrain(const std::vector<std::string>& tokens, bool unwanted);

    // The model remembers training these tokens with this label (and has not untrained it).
    bool Knows(const std::vector<std::string>& tokens, bool unwanted) const;

    // The probability that the header is unwanted and the `clues` tokens that pushed it most
    // each way.
    TLearnScore Score(const std::vector<std::string>& tokens, size_t clues = 5) const;

    uint32_t UnwantedCount() const { return UnwantedMessages; }
    uint32_t WantedCount() const { return WantedMessages; }

    // The model as bytes and back; Parse refuses anything damaged and leaves `model` as it was.
    std::string Serialize() const;
    static bool Parse(const std::string& bytes, TLearnModel& model);

    bool operator==(const TLearnModel& other) const;

private:
    struct TStep {
        uint64_t Fingerprint;
        int32_t Delta;  // added to each token's weight; its sign gives the label
        bool operator==(const TStep& o) const {
            return Fingerprint == o.Fingerprint && Delta == o.Delta;
        }
    };
    // One bucket: the weight of the tokens hashed to it and in how many messages of each label
    // they were seen (the counts stop at their top).
    struct TCell {
        int32_t Weight = 0;
        uint16_t Unwanted = 0;
        uint16_t Wanted = 0;
        bool operator==(const TCell& o) const {
            return Weight == o.Weight && Unwanted == o.Unwanted && Wanted == o.Wanted;
        }
        bool Empty() const { return Weight == 0 && Unwanted == 0 && Wanted == 0; }
    };
    // The buckets of a header's tokens, the constant token first.
    const TCell& Cell(size_t bucket) const;
    bool SameCells(const TLearnModel& other) const;
    static std::vector<size_t> Buckets(const std::vector<std::string>& tokens);
    static uint64_t Fingerprint(const std::vector<std::string>& tokens, bool unwanted);
    static int32_t Step(int32_t delta, const TCell& cell);
    void Apply(const std::vector<size_t>& buckets, int32_t delta);
    void Revert(const std::vector<size_t>& buckets, int32_t delta);
    double Sum(const std::vector<size_t>& buckets) const;
    static double LengthScale(const std::vector<size_t>& buckets);

    std::vector<TCell> Cells;    // empty until the first training
    std::vector<TStep> Journal;  // oldest first
    uint32_t UnwantedMessages = 0;
    uint32_t WantedMessages = 0;
};
