// MultiByteToWideChar and WideCharToMultiByte for the process code page
// (Windows-1252, or UTF-8 as a manifest makes it), Latin-1 and UTF-8.

#include "codepage_1252.h"
#include "core_internal.h"

#include <hxsim/world.h>
#include <windows.h>

#include <atomic>
#include <stdexcept>
#include <string>

namespace {

using hxsim::detail::BestFitCp1252;
using hxsim::detail::Cp1252ToUnicode;
using hxsim::detail::UnicodeToCp1252;

constexpr UINT kThreadAcp = 3;
constexpr UINT kWindows1252 = 1252;
constexpr UINT kLatin1 = 28591;

enum class Page { Ansi, Latin1, Utf8, Unsupported };

std::atomic<UINT>& AnsiCodePage() {
    static std::atomic<UINT> page{kWindows1252};
    return page;
}

Page PageOf(UINT codePage) {
    switch (codePage) {
    case CP_ACP:
    case kThreadAcp: return AnsiCodePage() == CP_UTF8 ? Page::Utf8 : Page::Ansi;
    case kWindows1252: return Page::Ansi;
    case kLatin1: return Page::Latin1;
    case CP_UTF8: return Page::Utf8;
    default: return Page::Unsupported;
    }
}

void AppendUtf16(std::u16string& out, uint32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(cp));
    }
}

// False on a malformed sequence when `strict`; otherwise U+FFFD stands in.
bool DecodeUtf8(const unsigned char* s, size_t n, bool strict, std::u16string& out) {
    size_t i = 0;
    while (i < n) {
        unsigned char c = s[i];
        uint32_t cp;
        size_t len;
        if (c < 0x80) { cp = c; len = 1; }
        else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; len = 2; }
        else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; len = 3; }
        else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; len = 4; }
        else { len = 0; cp = 0; }
        bool ok = len > 0 && i + len <= n;
        for (size_t k = 1; ok && k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) ok = false;
            else cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        static const uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (ok && (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
        if (!ok) {
            if (strict) return false;
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        AppendUtf16(out, cp);
        i += len;
    }
    return true;
}

std::string EncodeUtf8(const WCHAR* s, size_t n) {
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        uint32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

// Copies a finished conversion out, with the platform's size-query and
// buffer-too-small conventions.
template <typename Char, typename Text>
int Deliver(const Text& text, Char* out, int capacity) {
    int needed = static_cast<int>(text.size());
    if (capacity == 0) return needed;
    if (needed > capacity) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    for (int i = 0; i < needed; ++i) out[i] = static_cast<Char>(text[i]);
    return needed;
}

}  // namespace

namespace hxsim {

void SetAnsiCodePage(UINT codePage) {
    if (codePage != kWindows1252 && codePage != CP_UTF8)
        throw std::invalid_argument("the process code page is 1252 or 65001");
    AnsiCodePage() = codePage;
}

namespace detail {
void ResetCodePage() { AnsiCodePage() = kWindows1252; }
}  // namespace detail

}  // namespace hxsim

extern "C" {

UINT WINAPI GetACP(void) {
    return AnsiCodePage();
}

int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar) {
    if (hxsim::detail::ShouldFail("MultiByteToWideChar")) return 0;
    Page page = PageOf(CodePage);
    if (page == Page::Unsupported || !lpMultiByteStr || cbMultiByte == 0 || cchWideChar < 0 ||
        (!lpWideCharStr && cchWideChar != 0) ||
        static_cast<const void*>(lpMultiByteStr) == static_cast<const void*>(lpWideCharStr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // -1 converts the terminator too.
    size_t length = cbMultiByte < 0 ? std::char_traits<char>::length(lpMultiByteStr) + 1
                                    : static_cast<size_t>(cbMultiByte);
    const auto* bytes = reinterpret_cast<const unsigned char*>(lpMultiByteStr);
    std::u16string text;
    if (page == Page::Utf8) {
        if (!DecodeUtf8(bytes, length, (dwFlags & MB_ERR_INVALID_CHARS) != 0, text)) {
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        }
    } else {
        for (size_t i = 0; i < length; ++i)
            text.push_back(page == Page::Ansi ? Cp1252ToUnicode(bytes[i]) : bytes[i]);
    }
    return Deliver(text, lpWideCharStr, cchWideChar);
}

int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                               LPBOOL lpUsedDefaultChar) {
    if (hxsim::detail::ShouldFail("WideCharToMultiByte")) return 0;
    Page page = PageOf(CodePage);
    if (page == Page::Unsupported || !lpWideCharStr || cchWideChar == 0 || cbMultiByte < 0 ||
        (!lpMultiByteStr && cbMultiByte != 0) ||
        static_cast<const void*>(lpMultiByteStr) == static_cast<const void*>(lpWideCharStr) ||
        (page == Page::Utf8 && (lpDefaultChar || lpUsedDefaultChar))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t length = 0;
    if (cchWideChar < 0) {
        while (lpWideCharStr[length]) ++length;
        ++length;
    } else {
        length = static_cast<size_t>(cchWideChar);
    }
    if (page == Page::Utf8) return Deliver(EncodeUtf8(lpWideCharStr, length), lpMultiByteStr, cbMultiByte);

    const char fallback = lpDefaultChar ? *lpDefaultChar : '?';
    const bool bestFit = page == Page::Ansi && !(dwFlags & WC_NO_BEST_FIT_CHARS);
    bool usedDefault = false;
    std::string text;
    for (size_t i = 0; i < length; ++i) {
        WCHAR ch = lpWideCharStr[i];
        int byte = page == Page::Ansi ? UnicodeToCp1252(ch) : (ch <= 0xFF ? ch : -1);
        if (byte < 0 && bestFit) byte = BestFitCp1252(ch);
        if (byte < 0) {
            // A surrogate pair is one character and gets one default.
            if (ch >= 0xD800 && ch <= 0xDBFF && i + 1 < length && lpWideCharStr[i + 1] >= 0xDC00 &&
                lpWideCharStr[i + 1] <= 0xDFFF)
                ++i;
            byte = static_cast<unsigned char>(fallback);
            usedDefault = true;
        }
        text.push_back(static_cast<char>(byte));
    }
    if (lpUsedDefaultChar) *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
    return Deliver(text, lpMultiByteStr, cbMultiByte);
}

}  // extern "C"
