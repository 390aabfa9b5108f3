#include "fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace hxfuzz {

uint8_t Input::Byte() {
    return offset_ < size_ ? data_[offset_++] : 0;
}

uint16_t Input::Word() {
    const uint16_t low = Byte();
    return static_cast<uint16_t>(low | (Byte() << 8));
}

std::vector<uint8_t> Input::Sized(size_t max) {
    const size_t length = Word() % (max + 1);
    return Bytes(length);
}

std::vector<uint8_t> Input::Bytes(size_t count) {
    const size_t available = offset_ < size_ ? size_ - offset_ : 0;
    const size_t taken = std::min(count, available);
    std::vector<uint8_t> bytes(data_ + offset_, data_ + offset_ + taken);
    offset_ += taken;
    return bytes;
}

void Fail(const std::string& what) {
    std::fprintf(stderr, "\n*** invariant broken: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

DWORD TypeFrom(uint8_t selector) {
    static const DWORD kTypes[] = {REG_SZ,     REG_SZ,    REG_EXPAND_SZ, REG_MULTI_SZ,
                                   REG_BINARY, REG_DWORD, REG_NONE,      REG_QWORD};
    if (selector < 0xF0)
        return kTypes[selector % (sizeof(kTypes) / sizeof(kTypes[0]))];
    return 0x10000u * selector + selector;  // no type the platform defines
}

std::string CString(const std::vector<uint8_t>& bytes) {
    const auto end = std::find(bytes.begin(), bytes.end(), 0);
    return std::string(bytes.begin(), end);
}

bool FitsAsText(const std::vector<uint8_t>& bytes, size_t capacity, std::string* text) {
    if (bytes.size() > capacity)
        return false;
    if (bytes.size() == capacity && std::find(bytes.begin(), bytes.end(), 0) == bytes.end())
        return false;
    *text = CString(bytes);
    return true;
}

bool SameIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
        if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool AsciiOnly(const std::string& s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool PlainAscii(const std::string& s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return c > 0x20 && c < 0x7F && c != '-' && c != '\''; });
}

void WaitForWorldThreads() {
    Check(hxsim::WaitForThreadsToEnd(), "a thread of the world did not end");
}

void FreshWorld() {
    WaitForWorldThreads();
    hxsim::ClearFaults();
    hxsim::ResetWorld();
}

void CheckWorld() {
    const auto misuse = hxsim::HandleMisuse();
    if (!misuse.empty())
        Fail("handle misused: " + misuse.front());
    const auto writes = hxsim::RegistryWrites();
    if (!writes.empty())
        Fail("registry written: " + writes.front());
    for (const auto& launch : hxsim::Launches()) {
        // The substitute copies the command up to its terminator, so an
        // unterminated buffer shows up as an overrun or as excess length.
        Check(launch.commandLine.size() <= 259,
              "command line of " + std::to_string(launch.commandLine.size()) + " bytes");
    }
}

void CheckNothingHeld(const char* when) {
    const auto open = hxsim::OpenHandles();
    Check(open.total() == 0, std::string(when) + ": still open: " + std::to_string(open.kernel) +
                                 " kernel, " + std::to_string(open.registryKeys) + " keys, " +
                                 std::to_string(open.devInfoSets) + " sets, " +
                                 std::to_string(open.notifications) + " registrations");
    Check(hxsim::LiveHeapBlocks() == 0, std::string(when) + ": a heap block was not freed");
}

}  // namespace hxfuzz
