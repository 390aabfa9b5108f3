// Owners for the kernel handles and registry keys the tests make: one owner
// each, released in one place.
#ifndef HX_TESTS_WINDOWS_WIN_OWNED_H
#define HX_TESTS_WINDOWS_WIN_OWNED_H

#include <windows.h>

#include <memory>
#include <type_traits>

struct HandleCloser {
    void operator()(HANDLE handle) const
    {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

#endif
