// 8-bit string routines and the system code page, Windows-1252.

#include "conformance_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(Strings, CaseInsensitiveComparisonMatchesTheServiceName) {
    EXPECT_EQ(0, lstrcmpiA("RUdiDOVUDIRUR", "rudidovudirur"));
    EXPECT_EQ(0, lstrcmpiA("\xe9t\xe9", "\xc9T\xc9"));  // accented letters fold too
    EXPECT_NE(0, lstrcmpiA("RUdiDOVUDIRUR", "RUdiDOVUDIRU"));
    EXPECT_LT(lstrcmpiA("abc", "abd"), 0);
    EXPECT_GT(lstrcmpiA("abc", "ab"), 0);
}

TEST(Strings, CaseSensitiveComparisonIsAWordSort) {
    EXPECT_LT(lstrcmpA("a", "B"), 0);  // alphabet first, unlike strcmp
    EXPECT_LT(lstrcmpA("a", "A"), 0);  // then lower case before upper
    EXPECT_GT(lstrcmpA("A", "a"), 0);
    EXPECT_EQ(0, lstrcmpA("*", "*"));
    EXPECT_LT(lstrcmpA("_", "a"), 0);
    EXPECT_GT(lstrcmpA("co-op", "coop"), 0);  // hyphens only break ties
    EXPECT_LT(lstrcmpA(nullptr, "a"), 0);
    EXPECT_GT(lstrcmpA("a", nullptr), 0);
    EXPECT_EQ(0, lstrcmpA(nullptr, nullptr));
}

TEST(Strings, CopyConcatenateAndLength) {
    char buffer[16];
    EXPECT_EQ(buffer, lstrcpyA(buffer, "hxCap"));
    EXPECT_EQ(buffer, lstrcatA(buffer, ".exe"));
    EXPECT_STREQ("hxCap.exe", buffer);
    EXPECT_EQ(9, lstrlenA(buffer));
    EXPECT_EQ(0, lstrlenA(nullptr));

    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(small, lstrcpynA(small, "abcdef", 4));
    EXPECT_STREQ("abc", small);

    SetLastError(0xdeadbeef);
    EXPECT_EQ(nullptr, lstrcpyA(nullptr, "x"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

class CodePage : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        if (GetACP() != 1252) GTEST_SKIP() << "system code page is not Windows-1252";
#endif
    }
};

TEST_F(CodePage, WideToAnsiMapsBestFitsAndDefaults) {
    const WCHAR text[] = {'A', 0x20AC, 0x0100, 0x4E2D, 0};
    char out[8];
    BOOL usedDefault = 5;
    ASSERT_EQ(5, WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof out, nullptr, &usedDefault));
    EXPECT_EQ('A', out[0]);
    EXPECT_EQ('\x80', out[1]);  // the euro sign's byte
    EXPECT_EQ('A', out[2]);     // best fit: the letter without its macron
    EXPECT_EQ('?', out[3]);
    EXPECT_EQ('\0', out[4]);
    EXPECT_TRUE(usedDefault);

    usedDefault = 5;
    ASSERT_EQ(3, WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, 3, out, sizeof out, "#",
                                     &usedDefault));
    EXPECT_EQ('#', out[2]);
    EXPECT_TRUE(usedDefault);

    usedDefault = 5;
    ASSERT_EQ(2, WideCharToMultiByte(CP_ACP, 0, text, 2, out, sizeof out, nullptr, &usedDefault));
    EXPECT_FALSE(usedDefault);
}

TEST_F(CodePage, WideToAnsiSizesAndErrors) {
    const WCHAR text[] = {'a', 'b', 'c', 0};
    EXPECT_EQ(4, WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr));
    char out[2];
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof out, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, WideCharToMultiByte(CP_ACP, 0, text, 0, out, sizeof out, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST_F(CodePage, AnsiToWide) {
    WCHAR out[8];
    ASSERT_EQ(4, MultiByteToWideChar(CP_ACP, 0, "\x80\x81\xe9", -1, out, 8));
    EXPECT_EQ(0x20AC, out[0]);
    EXPECT_EQ(0x0081, out[1]);  // unassigned bytes keep their value
    EXPECT_EQ(0x00E9, out[2]);
    EXPECT_EQ(0, out[3]);
    EXPECT_EQ(3, MultiByteToWideChar(CP_ACP, 0, "abc", 3, out, 8));  // no terminator asked for
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, "abc", -1, out, 2));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
}

TEST_F(CodePage, Utf8RoundTrip) {
    const WCHAR text[] = {'h', 0x00E9, 0x20AC, 0xD83D, 0xDE00, 0};
    char utf8[16];
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
    ASSERT_EQ(11, n);
    EXPECT_EQ(0, std::memcmp("h\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80", utf8, 11));
    WCHAR back[8];
    ASSERT_EQ(6, MultiByteToWideChar(CP_UTF8, 0, utf8, -1, back, 8));
    EXPECT_EQ(0, std::memcmp(text, back, sizeof text));
}

}  // namespace
