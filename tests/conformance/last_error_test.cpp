// The last-error code belongs to the thread that set it.

#include "conformance_support.h"

#include <gtest/gtest.h>

namespace {

DWORD WINAPI SetAndReadOwnError(LPVOID) {
    SetLastError(5678);
    return GetLastError();
}

TEST(LastError, EachThreadKeepsItsOwnCode) {
    SetLastError(1234);
    EXPECT_EQ(5678u, conformance::RunOnThread(SetAndReadOwnError, nullptr));
    EXPECT_EQ(1234u, GetLastError());
}

DWORD WINAPI ReadFreshError(LPVOID) { return GetLastError(); }

TEST(LastError, NewThreadStartsAtZero) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0u, conformance::RunOnThread(ReadFreshError, nullptr));
}

}  // namespace
