// What the fuzz targets share: reading structured values out of the raw
// input, and the invariants every input must leave intact.
#pragma once

#include <hxsim/world.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace hxfuzz {

// Reads the fuzzer's bytes front to back. Past the end every read yields
// zeros or nothing, so any prefix of an input is itself a valid input.
class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool empty() const { return offset_ >= size_; }
    uint8_t Byte();
    uint16_t Word();  // little-endian
    // A 16-bit length (reduced to at most `max`) and then that many bytes.
    std::vector<uint8_t> Sized(size_t max);
    // `count` bytes, fewer at the end of the input.
    std::vector<uint8_t> Bytes(size_t count);

private:
    const uint8_t* data_;
    size_t size_;
    size_t offset_ = 0;
};

// Stops the run with a message; libFuzzer keeps the input as a crash.
[[noreturn]] void Fail(const std::string& what);

inline void Check(bool condition, const std::string& what) {
    if (!condition)
        Fail(what);
}

// A registry or property value type: the common ones, and now and then an
// arbitrary number, since the monitor must not trust the type it is given.
DWORD TypeFrom(uint8_t selector);

// Text up to the first zero byte (the whole of it when there is none).
std::string CString(const std::vector<uint8_t>& bytes);

// What a fixed buffer of `capacity` bytes holds after the monitor read a
// value of these bytes into it and made it text: nothing when the value does
// not fit, or fills the buffer without a terminator of its own.
bool FitsAsText(const std::vector<uint8_t>& bytes, size_t capacity, std::string* text);

// True when the two names are the same apart from ASCII letter case.
bool SameIgnoringAsciiCase(const std::string& a, const std::string& b);
// True when no byte is above 0x7F: such names fold case the same way under
// every code page, so SameIgnoringAsciiCase decides whether they are equal.
bool AsciiOnly(const std::string& s);
// True for printable ASCII letters, digits and plain punctuation only: the
// platform's word-sort comparison (lstrcmpiA) then agrees with
// SameIgnoringAsciiCase. Hyphens, apostrophes and control characters have
// special weights there, so they are left out.
bool PlainAscii(const std::string& s);

// The threads of the world ended, and the world empty.
void FreshWorld();

// The world of one input: fresh when the input begins, and fresh again when
// it ends, so that everything the input made is also freed within it.
// libFuzzer counts allocations and frees per input; where they differ it
// looks for a leak, and after 1,000 such looks it stops looking for good. An
// object left for the next input's reset to free, its size depending on
// thread timing, made that happen within a few hundred thousand inputs.
class InputWorld {
public:
    InputWorld() { FreshWorld(); }
    ~InputWorld() { FreshWorld(); }
    InputWorld(const InputWorld&) = delete;
    InputWorld& operator=(const InputWorld&) = delete;
};

// Waits until every thread the world started has returned. A thread counts
// as ended only once it has let go of its queue and thread object, so a leak
// check right after this finds nothing of it.
void WaitForWorldThreads();

// Checks that hold after every step: no call was given a closed handle, no
// heap block was freed twice, the registry was never written, and every
// launch got a terminated command line of at most 259 bytes.
void CheckWorld();

// Checks that hold once the monitor has let go of everything: no handle,
// key, set, registration or heap block is left open.
void CheckNothingHeld(const char* when);

}  // namespace hxfuzz
