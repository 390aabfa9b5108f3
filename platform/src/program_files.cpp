// Where programs are looked for: the directories a program search walks, and
// the search itself. Files follow the same rule as CreateProcessA: every
// program exists unless a test marked it missing, by its path or by its bare
// name (then it is missing from every directory). This program runs from
// kModulePath; PATH holds the system and Windows directories.

#include "sim_internal.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

constexpr const char* kModulePath = "C:\\Program Files\\hxMonitor\\hxmonctl.exe";

// As the 8-bit calls hand text out: the length without the terminator when
// it fits, otherwise the size it needs with the terminator, writing nothing.
DWORD CopyOut(const std::string& text, LPSTR buffer, DWORD size) {
    if (!buffer || size < text.size() + 1) return static_cast<DWORD>(text.size() + 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

std::string SystemDirectory() { return hxsim::detail::ConfiguredWindowsDirectory() + "\\system32"; }

std::string SearchPathVariable() {
    const std::string windows = hxsim::detail::ConfiguredWindowsDirectory();
    return windows + "\\system32;" + windows;
}

bool HasDirectory(const std::string& name) { return name.find_first_of("\\/:") != std::string::npos; }

bool HasExtension(const std::string& name) {
    const size_t start = name.find_last_of("\\/:") + 1;  // npos + 1 == 0
    return name.find('.', start) != std::string::npos;
}

// The non-empty entries of a search path, without a final backslash; the
// Windows directory when it has none.
std::vector<std::string> Directories(LPCSTR path) {
    std::vector<std::string> directories;
    const std::string list = path ? path : "";
    for (size_t start = 0; start <= list.size();) {
        const size_t end = std::min(list.find(';', start), list.size());
        std::string directory = list.substr(start, end - start);
        if (!directory.empty() && directory.back() == '\\') directory.pop_back();
        if (!directory.empty()) directories.push_back(directory);
        start = end + 1;
    }
    if (directories.empty()) directories.push_back(hxsim::detail::ConfiguredWindowsDirectory());
    return directories;
}

bool SameNameIgnoringCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
            return false;
    return *a == *b;
}

}  // namespace

using namespace hxsim::detail;

extern "C" {

UINT WINAPI GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize) {
    if (ShouldFail("GetSystemDirectoryA")) return 0;
    return CopyOut(SystemDirectory(), lpBuffer, uSize);
}

DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    if (ShouldFail("GetModuleFileNameA")) return 0;
    if (hModule != nullptr || !lpFilename || nSize == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // Too small: cut to the buffer, terminated, and the buffer's size returned.
    const std::string path = kModulePath;
    if (nSize < path.size() + 1) {
        std::memcpy(lpFilename, path.c_str(), nSize - 1);
        lpFilename[nSize - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    return CopyOut(path, lpFilename, nSize);
}

DWORD WINAPI GetEnvironmentVariableA(LPCSTR lpName, LPSTR lpBuffer, DWORD nSize) {
    if (ShouldFail("GetEnvironmentVariableA")) return 0;
    if (!lpName || !SameNameIgnoringCase(lpName, "PATH")) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    return CopyOut(SearchPathVariable(), lpBuffer, nSize);
}

DWORD WINAPI SearchPathA(LPCSTR lpPath, LPCSTR lpFileName, LPCSTR lpExtension, DWORD nBufferLength,
                         LPSTR lpBuffer, LPSTR* lpFilePart) {
    if (ShouldFail("SearchPathA")) return 0;
    if (!lpFileName || !*lpFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string name = lpFileName;
    if (lpExtension && !HasExtension(name)) name += lpExtension;
    // Each directory in turn, as the platform searches them.
    std::string found = name;
    if (!HasDirectory(name)) {
        for (const std::string& directory : Directories(lpPath)) {
            found = directory + "\\" + name;
            if (!IsProgramMissing(found)) break;
        }
    }
    if (IsProgramMissing(found)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    const DWORD result = CopyOut(found, lpBuffer, nBufferLength);
    if (result == found.size() && lpFilePart)
        *lpFilePart = lpBuffer + found.find_last_of("\\/:") + 1;
    return result;
}

// Names are taken as they are: a name without a drive or share is relative to
// the Windows directory, the only current directory programs here have.
// Neither "." nor ".." is folded away.
DWORD WINAPI GetFullPathNameA(LPCSTR lpFileName, DWORD nBufferLength, LPSTR lpBuffer, LPSTR* lpFilePart) {
    if (ShouldFail("GetFullPathNameA")) return 0;
    if (!lpFileName || !*lpFileName) {
        SetLastError(ERROR_INVALID_NAME);
        return 0;
    }
    std::string full = lpFileName;
    std::replace(full.begin(), full.end(), '/', '\\');
    if (full.rfind("\\\\", 0) != 0 && full.find(':') != 1)
        full = hxsim::detail::ConfiguredWindowsDirectory() + "\\" + full;
    const DWORD result = CopyOut(full, lpBuffer, nBufferLength);
    if (result == full.size() && lpFilePart)
        *lpFilePart = full.back() == '\\' ? nullptr : lpBuffer + full.find_last_of('\\') + 1;
    return result;
}

DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
    if (ShouldFail("GetFileAttributesA")) return INVALID_FILE_ATTRIBUTES;
    if (!lpFileName || !*lpFileName || IsProgramMissing(lpFileName)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    return FILE_ATTRIBUTE_NORMAL;
}

}  // extern "C"
