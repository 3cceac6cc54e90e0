#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "learn/LearnFile.h"
#include "learn/LearnModel.h"

// The one learning filter of the program, shared by every account: scores headers on the
// caller's thread and learns on a thread of its own, saving the model after each batch, so
// neither the window nor a worker waits for training or for the file. Thread-safe.
class TLearner {
public:
    // Nothing is ticked by learning before the model has seen this many of each label.
    static constexpr uint32_t ReadyCount = 20;
    // Lessons waiting at most; the oldest go first.
    static constexpr size_t QueueLimit = 20000;

    using TLines = std::vector<std::string>;

    // The model of `folder` (read now); with an empty folder it is kept in memory only.
    explicit TLearner(const std::string& folder);
    // Learns what is still waiting and saves, then ends its thread.
    ~TLearner();

    // The header's score and its clues.
    TLearnScore Score(const TLines& lines) const;
    // The percent shown and compared with the threshold: 0..100, never rounded up to it.
    static int Percent(double score);
    // "学習: 97%"
    static std::string Reason(int percent);
    // The score and its clues as the header viewer shows them, three lines.
    static std::string Explanation(const TLearnScore& score);

    // Learns the header as unwanted or wanted, once per label: a header learned with the other
    // label is untrained from it first. Returns at once.
    void Learn(TLines lines, bool unwanted);
    // Forgets everything learned, the file included.
    void Reset();
    // Returns once every lesson given before is learned and saved.
    void Wait();

    uint32_t UnwantedCount() const;
    uint32_t WantedCount() const;
    bool Ready() const;
    // What was wrong with the file (read or written), given once; empty when nothing was.
    std::string TakeProblem();

private:
    struct TLesson {
        TLines Lines;
        bool Unwanted;
        bool Reset;
    };
    void Run();
    void Queue(TLesson lesson);

    TLearnFile File;
    bool Persistent;
    mutable std::mutex Mutex;  // Model, Problem, Lessons, Busy, Stopping
    std::condition_variable Wake, Idle;
    TLearnModel Model;
    std::string Problem;
    std::deque<TLesson> Lessons;
    bool Busy = false;
    bool Stopping = false;
    std::thread Thread;
};
