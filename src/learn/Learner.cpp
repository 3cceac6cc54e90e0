#include "learn/Learner.h"

#include <cmath>
#include <cstdio>

#include "learn/LearnTokens.h"

TLearner::TLearner(const std::string& folder) : File(folder), Persistent(!folder.empty()) {
    if (Persistent) File.Load(Model, Problem);
    Thread = std::thread(&TLearner::Run, this);
}

TLearner::~TLearner() {
    {
        std::lock_guard<std::mutex> lock(Mutex);
        Stopping = true;
    }
    Wake.notify_all();
    Thread.join();
}

TLearnScore TLearner::Score(const TLines& lines) const {
    const std::vector<std::string> tokens = TLearnTokens::Of(lines);
    std::lock_guard<std::mutex> lock(Mutex);
    return Model.Score(tokens);
}

int TLearner::Percent(double score) {
    const int percent = static_cast<int>(std::floor(score * 100));
    return percent < 0 ? 0 : percent > 100 ? 100 : percent;
}

std::string TLearner::Reason(int percent) { return "学習: " + std::to_string(percent) + "%"; }

std::string TLearner::Explanation(const TLearnScore& score) {
    const auto clues = [](const std::vector<TLearnClue>& list) {
        std::string text;
        char weight[32];
        for (const TLearnClue& clue : list) {
            std::snprintf(weight, sizeof weight, " %+.2f", clue.Weight);
            text += (text.empty() ? "" : "、") + clue.Token + weight;
        }
        return text.empty() ? std::string("なし") : text;
    };
    return "学習の点数: " + std::to_string(Percent(score.Score)) +
           "%\r\n迷惑メール寄り: " + clues(score.Unwanted) +
           "\r\n迷惑メールではない寄り: " + clues(score.Wanted);
}

void TLearner::Learn(TLines lines, bool unwanted) { Queue({std::move(lines), unwanted, false}); }

void TLearner::Reset() { Queue({{}, false, true}); }

void TLearner::Queue(TLesson lesson) {
    {
        std::lock_guard<std::mutex> lock(Mutex);
        if (Lessons.size() >= QueueLimit) Lessons.pop_front();
        Lessons.push_back(std::move(lesson));
    }
    Wake.notify_all();
}

void TLearner::Wait() {
    std::unique_lock<std::mutex> lock(Mutex);
    Idle.wait(lock, [this] { return Lessons.empty() && !Busy; });
}

uint32_t TLearner::UnwantedCount() const {
    std::lock_guard<std::mutex> lock(Mutex);
    return Model.UnwantedCount();
}

uint32_t TLearner::WantedCount() const {
    std::lock_guard<std::mutex> lock(Mutex);
    return Model.WantedCount();
}

bool TLearner::Ready() const {
    std::lock_guard<std::mutex> lock(Mutex);
    return Model.UnwantedCount() >= ReadyCount && Model.WantedCount() >= ReadyCount;
}

std::string TLearner::TakeProblem() {
    std::lock_guard<std::mutex> lock(Mutex);
    std::string taken;
    taken.swap(Problem);
    return taken;
}

void TLearner::Run() {
    std::unique_lock<std::mutex> lock(Mutex);
    for (;;) {
        Wake.wait(lock, [this] { return Stopping || !Lessons.empty(); });
        if (Lessons.empty()) break;  // stopping with nothing left to learn
        Busy = true;
        while (!Lessons.empty()) {
            TLesson lesson = std::move(Lessons.front());
            Lessons.pop_front();
            if (lesson.Reset) {
                Model = TLearnModel();
                continue;
            }
            // Tokens are made outside the lock: scoring goes on meanwhile.
            lock.unlock();
            const std::vector<std::string> tokens = TLearnTokens::Of(lesson.Lines);
            lock.lock();
            if (Model.Knows(tokens, lesson.Unwanted)) continue;
            Model.Untrain(tokens, !lesson.Unwanted);
            Model.Train(tokens, lesson.Unwanted);
        }
        if (Persistent) {
            // A copy is written: the file may take a while and scoring must not wait for it.
            const TLearnModel saved = Model;
            lock.unlock();
            const bool ok = File.Save(saved);
            lock.lock();
            if (!ok) Problem = "学習データ " + File.Path() + " に書き込めませんでした";
        }
        Busy = false;
        Idle.notify_all();
    }
    Busy = false;
    Idle.notify_all();
}
