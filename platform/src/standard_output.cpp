// Where a console program's output goes: a console or a pipe, written with
// WriteFile and WriteConsoleW, told apart with GetConsoleMode. The console
// and pipe contracts follow the platform's documentation; Wine, like
// Windows, refuses the console calls on any other handle with
// ERROR_INVALID_HANDLE.

#include "codepage_1252.h"
#include "sim_internal.h"

#include <hxsim/world.h>

#include <mutex>
#include <stdexcept>

namespace hxsim::detail {
namespace {

// A console's screen buffer, or the write end of a pipe.
class Output final : public Object {
public:
    explicit Output(bool console) : Object(ObjectKind::File), console_(console) {}
    bool console() const { return console_; }

    // A console reads the bytes in its own code page; a pipe keeps them.
    void WriteBytes(const char* bytes, DWORD count) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (DWORD i = 0; i < count; ++i) {
            if (console_)
                screen_.push_back(static_cast<char16_t>(Cp1252ToUnicode(static_cast<unsigned char>(bytes[i]))));
            else
                bytes_.push_back(bytes[i]);
        }
    }
    void WriteText(const WCHAR* text, DWORD count) {
        std::lock_guard<std::mutex> lock(mutex_);
        screen_.append(reinterpret_cast<const char16_t*>(text), count);
    }
    std::u16string Screen() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return screen_;
    }
    std::string Bytes() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return bytes_;
    }

private:
    const bool console_;
    mutable std::mutex mutex_;
    std::u16string screen_;
    std::string bytes_;
};

// The output behind the handle; nullptr with ERROR_INVALID_HANDLE when the
// handle is of something else (a misuse record when it is not open at all).
std::shared_ptr<Output> OutputOf(HANDLE handle, const char* api) {
    auto output = std::dynamic_pointer_cast<Output>(ReferenceHandle(handle, api));
    if (!output) SetLastError(ERROR_INVALID_HANDLE);
    return output;
}

std::shared_ptr<Output> ConsoleOf(HANDLE handle, const char* api) {
    auto output = OutputOf(handle, api);
    if (output && !output->console()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return output;
}

std::shared_ptr<Output> OutputForTest(HANDLE handle, bool console) {
    auto output = std::dynamic_pointer_cast<Output>(ReferenceHandle(handle, "hxsim output"));
    if (!output || output->console() != console)
        throw std::invalid_argument(console ? "not a console" : "not a pipe");
    return output;
}

}  // namespace
}  // namespace hxsim::detail

namespace hxsim {

HANDLE OpenConsoleOutput() { return detail::InsertHandle(std::make_shared<detail::Output>(true)); }

HANDLE OpenPipeOutput() { return detail::InsertHandle(std::make_shared<detail::Output>(false)); }

std::u16string ConsoleScreen(HANDLE console) { return detail::OutputForTest(console, true)->Screen(); }

std::string PipeBytes(HANDLE pipe) { return detail::OutputForTest(pipe, false)->Bytes(); }

}  // namespace hxsim

using namespace hxsim::detail;

extern "C" {

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                      LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) {
    if (ShouldFail("WriteFile")) return FALSE;
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
    auto output = OutputOf(hFile, "WriteFile");
    if (!output) return FALSE;
    // Synchronous handles only: an OVERLAPPED names an offset, which a
    // console or pipe does not have.
    if (lpOverlapped || (!lpBuffer && nNumberOfBytesToWrite)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    output->WriteBytes(static_cast<const char*>(lpBuffer), nNumberOfBytesToWrite);
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = nNumberOfBytesToWrite;
    return TRUE;
}

BOOL WINAPI WriteConsoleW(HANDLE hConsoleOutput, const VOID* lpBuffer, DWORD nNumberOfCharsToWrite,
                          LPDWORD lpNumberOfCharsWritten, LPVOID lpReserved) {
    if (ShouldFail("WriteConsoleW")) return FALSE;
    if (lpNumberOfCharsWritten) *lpNumberOfCharsWritten = 0;
    auto console = ConsoleOf(hConsoleOutput, "WriteConsoleW");
    if (!console) return FALSE;
    if (lpReserved || (!lpBuffer && nNumberOfCharsToWrite)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    console->WriteText(static_cast<const WCHAR*>(lpBuffer), nNumberOfCharsToWrite);
    if (lpNumberOfCharsWritten) *lpNumberOfCharsWritten = nNumberOfCharsToWrite;
    return TRUE;
}

BOOL WINAPI GetConsoleMode(HANDLE hConsoleHandle, LPDWORD lpMode) {
    if (ShouldFail("GetConsoleMode")) return FALSE;
    if (!ConsoleOf(hConsoleHandle, "GetConsoleMode")) return FALSE;
    if (!lpMode) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpMode = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;
    return TRUE;
}

}  // extern "C"
