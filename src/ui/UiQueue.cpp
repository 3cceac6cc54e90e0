#include "ui/UiQueue.h"

#include <chrono>

#include "ui/WindowMessages.h"

namespace {
const char* const QueueClass = "TUiQueue";
}  // namespace

TUiQueue::TUiQueue() : UiThreadId(GetCurrentThreadId()) {
    RegisterWindowClass(QueueClass);
    CreateHandle(QueueClass, "", 0, 0, 0, 0, 0, 0, HWND_MESSAGE);
}

TUiQueue::~TUiQueue() { Close(); }

bool TUiQueue::Enqueue(std::function<void()> task, bool urgent) {
    bool wake;
    {
        std::lock_guard<std::mutex> lock(State->Mutex);
        if (State->Closed) return false;
        State->Tasks.push_back(std::move(task));
        wake = urgent || !State->WakePending;
        State->WakePending = true;
    }
    if (wake) PostMessageA(Handle, WM_PB_DRAIN, 0, 0);
    return true;
}

void TUiQueue::Post(std::function<void()> task) { Enqueue(std::move(task), false); }

void TUiQueue::Close() {
    {
        std::lock_guard<std::mutex> lock(State->Mutex);
        State->Closed = true;
        State->Tasks.clear();
    }
    State->Done.notify_all();
}

bool TUiQueue::Closed() {
    std::lock_guard<std::mutex> lock(State->Mutex);
    return State->Closed;
}

void TUiQueue::Drain(bool bounded) {
    // One task at a time: a task may open a modal dialog, whose message loop drains again.
    std::shared_ptr<TState> state = State;
    {
        std::lock_guard<std::mutex> lock(state->Mutex);
        if (state->Tasks.empty()) return;
    }
    // Copies: a task may end the queue's owner (and these functions) with it.
    std::function<void()> end = OnBatchEnd;
    if (OnBatchBegin) OnBatchBegin();
    const auto stop = std::chrono::steady_clock::now() + std::chrono::milliseconds(BatchBudgetMs);
    for (;;) {
        if (bounded && std::chrono::steady_clock::now() >= stop) break;  // the timer goes on
        std::function<void()> task;
        {
            std::lock_guard<std::mutex> lock(state->Mutex);
            if (state->Tasks.empty()) break;
            task = std::move(state->Tasks.front());
            state->Tasks.pop_front();
        }
        task();
    }
    bool closed;
    {
        std::lock_guard<std::mutex> lock(state->Mutex);
        closed = state->Closed;
    }
    if (end && !closed) end();
}

LRESULT TUiQueue::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PB_DRAIN: {
            // A task may have ended the queue (a page closed while its question was open):
            // after the drain only the shared state is looked at until it says otherwise.
            std::shared_ptr<TState> state = State;
            Drain(true);
            bool closed;
            {
                std::lock_guard<std::mutex> lock(state->Mutex);
                closed = state->Closed;
            }
            // Tasks that arrive from now on wait for the timer and are run together.
            if (!closed) SetTimer(Handle, 1, DrainIntervalMs, nullptr);
            return 0;
        }
        case WM_TIMER: {
            bool more;
            {
                std::lock_guard<std::mutex> lock(State->Mutex);
                more = !State->Tasks.empty();
                if (!more) State->WakePending = false;
            }
            if (!more) {
                KillTimer(Handle, 1);
                if (OnIdle && !Closed()) OnIdle();
                return 0;
            }
            Drain(true);  // the timer goes with the window if a task ended the queue
            return 0;
        }
    }
    return DefaultProc(message, wParam, lParam);
}
