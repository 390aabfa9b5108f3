// The system code page of this world: Windows-1252 (a superset of Latin-1
// in which 0x80-0x9F hold typographic characters).
#pragma once

#include <cstdint>

namespace hxsim::detail {

uint16_t Cp1252ToUnicode(unsigned char c);
// The byte for a character, or -1 when the code page has none.
int UnicodeToCp1252(uint16_t ch);
// The platform's best-fit byte for a character the code page lacks (a
// letter without its accent, a full-width form's ASCII twin), or -1.
int BestFitCp1252(uint16_t ch);
// Upper case for the letters the code page can hold; others unchanged.
uint16_t UpperCase(uint16_t ch);

}  // namespace hxsim::detail
