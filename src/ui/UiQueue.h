#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "ui/Window.h"

// Hands work from other threads to the user-interface thread, in order. Posted tasks run when
// the UI thread's message loop next drains the queue (while tasks keep coming, at most every
// DrainIntervalMs, so a busy worker costs a few wake-ups rather than one per change); a sent task
// also makes its caller wait for its result. Close() (any thread) drops what has not run yet and
// releases every waiting caller, so a thread blocked in Send never holds up a tear-down.
class TUiQueue : public TWindow {
public:
    static constexpr UINT DrainIntervalMs = 15;
    // A drain from the message loop stops after this long and leaves the rest to the next timer
    // tick, so that input between batches is handled while a fast worker keeps posting.
    static constexpr int BatchBudgetMs = 40;

    TUiQueue();  // on the UI thread
    ~TUiQueue() override;

    void Post(std::function<void()> task);
    // Run around every batch of tasks the UI thread drains (for instance to draw a batch once).
    std::function<void()> OnBatchBegin, OnBatchEnd;
    // Run when the queue has run dry after a burst: its timer found nothing left to do.
    std::function<void()> OnIdle;

    // Runs task on the UI thread and returns its result; nothing when the queue was closed
    // before the result came. On the UI thread itself: first runs what is queued, then task.
    template <class R>
    std::optional<R> Send(std::function<R()> task);

    void Close();
    bool Closed();
    // Runs the queued tasks in order (UI thread); bounded: for at most about BatchBudgetMs.
    void Drain(bool bounded = false);

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // urgent: a caller waits for this task, so the UI thread is woken at once.
    bool Enqueue(std::function<void()> task, bool urgent);

    // Shared with the tasks in flight: a task that outlives the queue (one that was running a
    // modal dialog when the page went) still finds its lock.
    struct TState {
        std::mutex Mutex;
        std::condition_variable Done;
        std::deque<std::function<void()>> Tasks;
        bool Closed = false;
        bool WakePending = false;  // a wake-up (message or timer) is on its way
    };
    DWORD UiThreadId;
    std::shared_ptr<TState> State = std::make_shared<TState>();
};

template <class R>
std::optional<R> TUiQueue::Send(std::function<R()> task) {
    if (GetCurrentThreadId() == UiThreadId) {
        std::shared_ptr<TState> state = State;
        Drain();
        bool closed;
        {
            std::lock_guard<std::mutex> lock(state->Mutex);
            closed = state->Closed;
        }
        if (closed) return std::nullopt;
        return task();
    }
    // The caller waits on the result through a shared state, which outlives a closed queue.
    struct TCall {
        std::optional<R> Result;
        bool Finished = false;
    };
    auto call = std::make_shared<TCall>();
    std::shared_ptr<TState> state = State;
    bool queued = Enqueue(
        [state, call, task = std::move(task)] {
            R result = task();
            std::lock_guard<std::mutex> lock(state->Mutex);
            call->Result = std::move(result);
            call->Finished = true;
            state->Done.notify_all();
        },
        true);
    if (!queued) return std::nullopt;
    std::unique_lock<std::mutex> lock(state->Mutex);
    state->Done.wait(lock, [&] { return call->Finished || state->Closed; });
    return call->Finished ? std::move(call->Result) : std::nullopt;
}
