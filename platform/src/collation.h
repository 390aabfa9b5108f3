// String comparison as the platform's lstrcmp/lstrcmpi do it: a word sort
// over the system code page, not a byte comparison.
#pragma once

namespace hxsim::detail {

// -1, 0 or 1. Letters compare by base letter first, then accents, then case
// (lower before upper) unless `ignoreCase`; punctuation sorts before digits,
// digits before letters; hyphens, apostrophes and control characters only
// break ties.
int CompareWords(const char* a, const char* b, bool ignoreCase);

}  // namespace hxsim::detail
