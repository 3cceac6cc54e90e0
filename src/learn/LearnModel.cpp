#include "learn/LearnModel.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr char kMagic[4] = {'P', 'B', 'L', 'M'};
constexpr uint32_t kVersion = 2;
constexpr size_t kHeadSize = 4 + 6 * 4;  // magic, version, bits, two totals, two entry counts
constexpr size_t kCellSize = 12;
constexpr size_t kStepSize = 12;
// A token every header has: the weight of the label's share.
constexpr const char kBias[] =
    "\x01"
    "bias";

// Measured on the public corpus (bench/learn_bench.py): the step of a training and how much
// faster a rarely seen token moves.
constexpr double kRate = 18;
constexpr double kRarePower = 0.35;
// A header's sum is divided by this power of its token count: long headers are not surer.
constexpr double kLengthPower = 0.5;

uint64_t Fnv1a(const char* data, size_t size, uint64_t hash = 14695981039346656037ull) {
    for (size_t i = 0; i < size; ++i) {
        hash ^= static_cast<unsigned char>(data[i]);
        hash *= 1099511628211ull;
    }
    return hash;
}

size_t BucketOf(const char* token, size_t size) {
    const uint64_t hash = Fnv1a(token, size);
    return static_cast<size_t>((hash * 0x9E3779B97F4A7C15ull) >> (64 - TLearnModel::BucketBits));
}

void PutU32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}
uint32_t GetU32(const std::string& in, size_t at) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= uint32_t(static_cast<unsigned char>(in[at + i])) << (8 * i);
    return value;
}

int32_t Saturated(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN + 1, INT32_MAX));
}

double Sigmoid(double x) { return 1 / (1 + std::exp(-x)); }

}  // namespace

TLearnModel::TLearnModel() = default;

const TLearnModel::TCell& TLearnModel::Cell(size_t bucket) const {
    static const TCell none;
    return Cells.empty() ? none : Cells[bucket];
}

std::vector<size_t> TLearnModel::Buckets(const std::vector<std::string>& tokens) {
    std::vector<size_t> buckets;
    buckets.reserve(tokens.size() + 1);
    buckets.push_back(BucketOf(kBias, sizeof kBias - 1));
    for (const std::string& token : tokens) buckets.push_back(BucketOf(token.data(), token.size()));
    return buckets;
}

uint64_t TLearnModel::Fingerprint(const std::vector<std::string>& tokens, bool unwanted) {
    uint64_t hash = Fnv1a(unwanted ? "u" : "w", 1);
    for (const std::string& token : tokens) hash = Fnv1a(token.data(), token.size() + 1, hash);
    return hash;
}

// A token seen in few messages moves further: its weight has little behind it yet.
int32_t TLearnModel::Step(int32_t delta, const TCell& cell) {
    const double seen = double(cell.Unwanted) + cell.Wanted;
    return static_cast<int32_t>(std::lround(delta / std::pow(1 + seen, kRarePower)));
}

double TLearnModel::Sum(const std::vector<size_t>& buckets) const {
    int64_t sum = 0;
    for (size_t b : buckets) sum += Cell(b).Weight;
    return static_cast<double>(sum) / Unit / LengthScale(buckets);
}

double TLearnModel::LengthScale(const std::vector<size_t>& buckets) {
    return std::pow(static_cast<double>(buckets.size()), kLengthPower);
}

void TLearnModel::Apply(const std::vector<size_t>& buckets, int32_t delta) {
    if (Cells.empty()) Cells.resize(BucketCount);
    for (size_t b : buckets) {
        TCell& cell = Cells[b];
        cell.Weight = Saturated(int64_t(cell.Weight) + Step(delta, cell));
        uint16_t& count = delta > 0 ? cell.Unwanted : cell.Wanted;
        if (count < UINT16_MAX) ++count;
    }
}

// Apply taken back in the opposite order, so that each step is computed from the same counts.
void TLearnModel::Revert(const std::vector<size_t>& buckets, int32_t delta) {
    for (size_t i = buckets.size(); i-- > 0;) {
        TCell& cell = Cells[buckets[i]];
        uint16_t& count = delta > 0 ? cell.Unwanted : cell.Wanted;
        if (count > 0 && count < UINT16_MAX) --count;
        cell.Weight = Saturated(int64_t(cell.Weight) - Step(delta, cell));
    }
}

void TLearnModel::Train(const std::vector<std::string>& tokens, bool unwanted) {
    const std::vector<size_t> buckets = Buckets(tokens);
    const double error = (unwanted ? 1.0 : 0.0) - Sigmoid(Sum(buckets));
    // At least one unit each way: the step's sign remembers the label.
    int32_t delta = static_cast<int32_t>(std::lround(kRate * error * Unit / LengthScale(buckets)));
    if (unwanted && delta < 1) delta = 1;
    if (!unwanted && delta > -1) delta = -1;
    Apply(buckets, delta);
    if (Journal.size() >= MaxJournal)
        Journal.erase(Journal.begin(), Journal.begin() + MaxJournal / 10);
    Journal.push_back({Fingerprint(tokens, unwanted), delta});
    uint32_t& messages = unwanted ? UnwantedMessages : WantedMessages;
    if (messages < UINT32_MAX) ++messages;
}

bool TLearnModel::Untrain(const std::vector<std::string>& tokens, bool unwanted) {
    const uint64_t fingerprint = Fingerprint(tokens, unwanted);
    for (size_t i = Journal.size(); i-- > 0;) {
        if (Journal[i].Fingerprint != fingerprint) continue;
        Revert(Buckets(tokens), Journal[i].Delta);
        Journal.erase(Journal.begin() + static_cast<std::ptrdiff_t>(i));
        uint32_t& messages = unwanted ? UnwantedMessages : WantedMessages;
        if (messages > 0) --messages;
        return true;
    }
    return false;
}

bool TLearnModel::Knows(const std::vector<std::string>& tokens, bool unwanted) const {
    const uint64_t fingerprint = Fingerprint(tokens, unwanted);
    return std::any_of(Journal.rbegin(), Journal.rend(),
                       [&](const TStep& step) { return step.Fingerprint == fingerprint; });
}

TLearnScore TLearnModel::Score(const std::vector<std::string>& tokens, size_t clues) const {
    TLearnScore result;
    const std::vector<size_t> buckets = Buckets(tokens);
    result.Score = Sigmoid(Sum(buckets));
    std::vector<TLearnClue> weights;
    weights.reserve(tokens.size());
    for (size_t i = 0; i < tokens.size(); ++i) {
        const int32_t w = Cell(buckets[i + 1]).Weight;
        if (w != 0) weights.push_back({tokens[i], w / Unit});
    }
    const auto stronger = [](const TLearnClue& a, const TLearnClue& b) {
        return a.Weight > b.Weight || (a.Weight == b.Weight && a.Token < b.Token);
    };
    std::sort(weights.begin(), weights.end(), stronger);
    for (size_t i = 0; i < weights.size() && i < clues && weights[i].Weight > 0; ++i)
        result.Unwanted.push_back(weights[i]);
    for (size_t i = 0;
         i < weights.size() && i < clues && weights[weights.size() - 1 - i].Weight < 0; ++i)
        result.Wanted.push_back(weights[weights.size() - 1 - i]);
    return result;
}

std::string TLearnModel::Serialize() const {
    std::string out(kMagic, 4);
    PutU32(out, kVersion);
    PutU32(out, BucketBits);
    PutU32(out, UnwantedMessages);
    PutU32(out, WantedMessages);
    uint32_t used = 0;
    for (const TCell& cell : Cells) used += !cell.Empty();
    PutU32(out, used);
    PutU32(out, static_cast<uint32_t>(Journal.size()));
    out.reserve(out.size() + used * kCellSize + Journal.size() * kStepSize + 8);
    for (size_t b = 0; b < Cells.size(); ++b) {
        const TCell& cell = Cells[b];
        if (cell.Empty()) continue;
        PutU32(out, static_cast<uint32_t>(b));
        PutU32(out, static_cast<uint32_t>(cell.Weight));
        PutU32(out, uint32_t(cell.Unwanted) | uint32_t(cell.Wanted) << 16);
    }
    for (const TStep& step : Journal) {
        PutU32(out, static_cast<uint32_t>(step.Fingerprint));
        PutU32(out, static_cast<uint32_t>(step.Fingerprint >> 32));
        PutU32(out, static_cast<uint32_t>(step.Delta));
    }
    const uint64_t sum = Fnv1a(out.data(), out.size());
    PutU32(out, static_cast<uint32_t>(sum));
    PutU32(out, static_cast<uint32_t>(sum >> 32));
    return out;
}

bool TLearnModel::Parse(const std::string& bytes, TLearnModel& model) {
    if (bytes.size() < kHeadSize + 8 || bytes.compare(0, 4, kMagic, 4) != 0) return false;
    if (GetU32(bytes, 4) != kVersion || GetU32(bytes, 8) != BucketBits) return false;
    const size_t used = GetU32(bytes, 20), steps = GetU32(bytes, 24);
    if (used > BucketCount || steps > MaxJournal ||
        bytes.size() != kHeadSize + used * kCellSize + steps * kStepSize + 8)
        return false;
    const size_t body = bytes.size() - 8;
    const uint64_t sum = Fnv1a(bytes.data(), body);
    if (GetU32(bytes, body) != static_cast<uint32_t>(sum) ||
        GetU32(bytes, body + 4) != static_cast<uint32_t>(sum >> 32))
        return false;
    size_t at = kHeadSize;
    for (size_t i = 0; i < used; ++i, at += kCellSize) {
        const size_t b = GetU32(bytes, at);
        // Buckets come in rising order, each once, none empty.
        if (b >= BucketCount || (i > 0 && b <= GetU32(bytes, at - kCellSize))) return false;
        if (GetU32(bytes, at + 4) == 0 && GetU32(bytes, at + 8) == 0) return false;
    }
    TLearnModel parsed;
    if (used > 0) parsed.Cells.resize(BucketCount);
    parsed.UnwantedMessages = GetU32(bytes, 12);
    parsed.WantedMessages = GetU32(bytes, 16);
    at = kHeadSize;
    for (size_t i = 0; i < used; ++i, at += kCellSize) {
        TCell& cell = parsed.Cells[GetU32(bytes, at)];
        cell.Weight = static_cast<int32_t>(GetU32(bytes, at + 4));
        const uint32_t counts = GetU32(bytes, at + 8);
        cell.Unwanted = static_cast<uint16_t>(counts & 0xFFFF);
        cell.Wanted = static_cast<uint16_t>(counts >> 16);
    }
    parsed.Journal.reserve(steps);
    for (size_t i = 0; i < steps; ++i, at += kStepSize) {
        const uint64_t fingerprint = GetU32(bytes, at) | uint64_t(GetU32(bytes, at + 4)) << 32;
        parsed.Journal.push_back({fingerprint, static_cast<int32_t>(GetU32(bytes, at + 8))});
    }
    model = std::move(parsed);
    return true;
}

bool TLearnModel::operator==(const TLearnModel& other) const {
    return UnwantedMessages == other.UnwantedMessages && WantedMessages == other.WantedMessages &&
           Journal == other.Journal && SameCells(other);
}

bool TLearnModel::SameCells(const TLearnModel& other) const {
    if (Cells.size() == other.Cells.size()) return Cells == other.Cells;
    // Never trained and trained back to nothing hold the same.
    const TLearnModel& held = Cells.empty() ? other : *this;
    return std::all_of(held.Cells.begin(), held.Cells.end(),
                       [](const TCell& cell) { return cell.Empty(); });
}
