#include "ui/UiQueue.h"

namespace {
// Posted to the queue's window when the first task of a batch arrives.
constexpr UINT WM_PB_DRAIN = WM_APP + 10;
const char* const QueueClass = "TUiQueue";
}  // namespace

TUiQueue::TUiQueue() : UiThreadId(GetCurrentThreadId()) {
    RegisterWindowClass(QueueClass);
    CreateHandle(QueueClass, "", 0, 0, 0, 0, 0, 0, HWND_MESSAGE);
}

TUiQueue::~TUiQueue() { Close(); }

bool TUiQueue::Enqueue(std::function<void()> task) {
    bool first;
    {
        std::lock_guard<std::mutex> lock(State->Mutex);
        if (State->Closed) return false;
        first = State->Tasks.empty();
        State->Tasks.push_back(std::move(task));
    }
    // One wake-up per batch keeps the window's message queue short.
    if (first) PostMessageA(Handle, WM_PB_DRAIN, 0, 0);
    return true;
}

void TUiQueue::Post(std::function<void()> task) { Enqueue(std::move(task)); }

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

void TUiQueue::Drain() {
    // One task at a time: a task may open a modal dialog, whose message loop drains again.
    std::shared_ptr<TState> state = State;
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard<std::mutex> lock(state->Mutex);
            if (state->Tasks.empty()) return;
            task = std::move(state->Tasks.front());
            state->Tasks.pop_front();
        }
        task();
    }
}

LRESULT TUiQueue::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PB_DRAIN) {
        Drain();
        return 0;
    }
    return DefaultProc(message, wParam, lParam);
}
