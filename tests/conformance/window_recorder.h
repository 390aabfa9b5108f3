// A window class whose procedure writes down every message it gets, with
// the thread it got it on, for the window and message tests.
#pragma once

#include "conformance_support.h"

#include <string>
#include <vector>

namespace conformance {

struct SeenMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    DWORD thread;
    bool windowExisted;  // IsWindow() inside the procedure
};

class WindowRecorder {
public:
    // Registers a class of this name for the lifetime of the recorder.
    explicit WindowRecorder(const char* className);
    ~WindowRecorder();

    const char* className() const { return className_.c_str(); }
    ATOM atom() const { return atom_; }
    HWND Create(const char* title = "Conformance", DWORD style = WS_OVERLAPPEDWINDOW);

    std::vector<SeenMessage> Seen();
    std::vector<UINT> MessagesTo(HWND hwnd);
    void Clear();

    // What the procedure answers: WM_CREATE gets createResult; WM_APP gets
    // wParam + 1; WM_APP + 1 posts nothing and returns 7; everything else
    // goes to DefWindowProcA.
    LRESULT createResult = 0;
    // Captured from the CREATESTRUCTA of WM_CREATE.
    std::string createdTitle, createdClass;
    LPVOID createParams = nullptr;

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static WindowRecorder* current_;

    std::string className_;
    ATOM atom_ = 0;
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::vector<SeenMessage> seen_;
};

}  // namespace conformance
