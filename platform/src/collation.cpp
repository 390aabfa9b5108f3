// A small word-sort collation for Windows-1252 text, close enough to the
// platform's for equality and for the sign of ordinary comparisons.

#include "collation.h"
#include "codepage_1252.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace hxsim::detail {
namespace {

enum Group : uint8_t { kSymbol = 1, kDigit = 2, kLetter = 3 };

struct Element {
    uint8_t group;
    uint16_t primary;    // base letter, digit or symbol
    uint16_t secondary;  // 0 for a plain letter, else which accented form
    uint8_t tertiary;    // 0 lower case, 1 upper case
};

struct Key {
    std::vector<Element> elements;
    std::vector<uint16_t> ignorables;  // hyphens, apostrophes, controls
};

bool IsIgnorable(uint16_t ch) {
    return ch == '-' || ch == '\'' || ch < 0x20 || (ch >= 0x7F && ch < 0xA0);
}

// The base letter of a Latin-1 or Windows-1252 letter, 0 when not a letter.
// Ligatures expand to two letters.
int BaseLetters(uint16_t upper, uint16_t out[2]) {
    if (upper >= 'A' && upper <= 'Z') return out[0] = upper, 1;
    static const char kLatin1[] = "AAAAAA?CEEEEIIIIDNOOOOO?OUUUUY?";  // U+00C0-U+00DE
    if (upper >= 0xC0 && upper <= 0xDE && kLatin1[upper - 0xC0] != '?') return out[0] = kLatin1[upper - 0xC0], 1;
    switch (upper) {
    case 0xC6: out[0] = 'A'; out[1] = 'E'; return 2;   // Æ
    case 0x152: out[0] = 'O'; out[1] = 'E'; return 2;  // Œ
    case 0xDF: out[0] = 'S'; out[1] = 'S'; return 2;   // ß
    case 0xDE: out[0] = 'Z' + 1; return 1;             // Þ sorts after Z
    case 0x160: out[0] = 'S'; return 1;                // Š
    case 0x17D: out[0] = 'Z'; return 1;                // Ž
    case 0x178: out[0] = 'Y'; return 1;                // Ÿ
    case 0x192: out[0] = 'F'; return 1;                // ƒ
    default: return 0;
    }
}

Key MakeKey(const char* text) {
    Key key;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        uint16_t ch = Cp1252ToUnicode(*p);
        if (IsIgnorable(ch)) {
            key.ignorables.push_back(ch);
            continue;
        }
        uint16_t upper = UpperCase(ch);
        uint16_t letters[2];
        int n = BaseLetters(upper, letters);
        if (n > 0) {
            uint8_t caseLevel = upper == ch && ch != 0xDF ? 1 : 0;
            // Ligatures equal their spelled-out letters, as on the platform.
            uint16_t accent = (n == 2 || letters[0] == upper) ? 0 : upper;
            for (int i = 0; i < n; ++i) key.elements.push_back({kLetter, letters[i], accent, caseLevel});
        } else if (ch >= '0' && ch <= '9') {
            key.elements.push_back({kDigit, ch, 0, 0});
        } else {
            key.elements.push_back({kSymbol, ch, 0, 0});
        }
    }
    return key;
}

template <typename Field>
int CompareLevel(const std::vector<Element>& a, const std::vector<Element>& b, Field field) {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        auto x = field(a[i]);
        auto y = field(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return 0;
}

}  // namespace

int CompareWords(const char* a, const char* b, bool ignoreCase) {
    Key ka = MakeKey(a);
    Key kb = MakeKey(b);
    int r = CompareLevel(ka.elements, kb.elements,
                         [](const Element& e) { return (uint32_t(e.group) << 16) | e.primary; });
    if (r == 0) r = CompareLevel(ka.elements, kb.elements, [](const Element& e) { return e.secondary; });
    if (r == 0 && !ignoreCase)
        r = CompareLevel(ka.elements, kb.elements, [](const Element& e) { return e.tertiary; });
    if (r == 0 && ka.ignorables != kb.ignorables) {
        // Of two strings that differ only in ignorable characters, the one
        // that has more of them (or the greater one first) sorts later.
        if (ka.ignorables.size() != kb.ignorables.size()) return ka.ignorables.size() < kb.ignorables.size() ? -1 : 1;
        return ka.ignorables < kb.ignorables ? -1 : 1;
    }
    return r;
}

}  // namespace hxsim::detail
