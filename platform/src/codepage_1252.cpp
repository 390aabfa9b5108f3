// Windows-1252 tables: conversion, best fit and upper case.

#include "codepage_1252.h"

namespace hxsim::detail {
namespace {

// 0x80-0x9F; the five unassigned bytes map to the C1 controls of the same
// value, as the platform's table does.
const uint16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Latin Extended-A (U+0100-U+017F) without accents; '?' has no fit.
const char kLatinExtendedA[] =
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIi??JjKk?LlLlLlLlLlNnNnNn???OoOoOo??"
    "RrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZz?";
static_assert(sizeof kLatinExtendedA == 0x80 + 1, "one entry per character");

}  // namespace

uint16_t Cp1252ToUnicode(unsigned char c) {
    if (c >= 0x80 && c < 0xA0) return kHighControls[c - 0x80];
    return c;
}

int UnicodeToCp1252(uint16_t ch) {
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return ch;
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] == ch) return 0x80 + i;
    return -1;
}

int BestFitCp1252(uint16_t ch) {
    if (ch >= 0x100 && ch < 0x180) {
        char fit = kLatinExtendedA[ch - 0x100];
        return fit == '?' ? -1 : fit;
    }
    if (ch >= 0xFF01 && ch <= 0xFF5E) return ch - 0xFF01 + 0x21;  // full-width forms
    return -1;
}

uint16_t UpperCase(uint16_t ch) {
    if (ch >= 'a' && ch <= 'z') return ch - 0x20;
    if (ch >= 0xE0 && ch <= 0xFE && ch != 0xF7) return ch - 0x20;
    switch (ch) {
    case 0xFF: return 0x178;
    case 0x153: return 0x152;
    case 0x161: return 0x160;
    case 0x17E: return 0x17D;
    default: return ch;
    }
}

}  // namespace hxsim::detail
