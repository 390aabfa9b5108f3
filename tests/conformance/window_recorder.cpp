#include "window_recorder.h"

namespace conformance {

WindowRecorder* WindowRecorder::current_ = nullptr;

WindowRecorder::WindowRecorder(const char* className) : className_(className) {
    current_ = this;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Procedure;
    wc.lpszClassName = className_.c_str();
    atom_ = RegisterClassExA(&wc);
}

WindowRecorder::~WindowRecorder() {
    UnregisterClassA(className_.c_str(), nullptr);
    current_ = nullptr;
}

HWND WindowRecorder::Create(const char* title, DWORD style) {
    return CreateWindowExA(0, className_.c_str(), title, style, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0,
                           nullptr, nullptr, nullptr, nullptr);
}

std::vector<SeenMessage> WindowRecorder::Seen() {
    AcquireSRWLockExclusive(&lock_);
    std::vector<SeenMessage> copy = seen_;
    ReleaseSRWLockExclusive(&lock_);
    return copy;
}

std::vector<UINT> WindowRecorder::MessagesTo(HWND hwnd) {
    std::vector<UINT> messages;
    for (const SeenMessage& m : Seen())
        if (m.hwnd == hwnd) messages.push_back(m.message);
    return messages;
}

void WindowRecorder::Clear() {
    AcquireSRWLockExclusive(&lock_);
    seen_.clear();
    ReleaseSRWLockExclusive(&lock_);
}

LRESULT CALLBACK WindowRecorder::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecorder* self = current_;
    AcquireSRWLockExclusive(&self->lock_);
    self->seen_.push_back({hwnd, message, wParam, GetCurrentThreadId(), IsWindow(hwnd) != FALSE});
    ReleaseSRWLockExclusive(&self->lock_);
    switch (message) {
    case WM_CREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        self->createdTitle = cs->lpszName ? cs->lpszName : "";
        self->createdClass = cs->lpszClass ? cs->lpszClass : "";
        self->createParams = cs->lpCreateParams;
        return self->createResult;
    }
    case WM_APP:
        return static_cast<LRESULT>(wParam + 1);
    case WM_APP + 1:
        return 7;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

}  // namespace conformance
