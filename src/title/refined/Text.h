#pragma once

#include <string>
#include <string_view>

#include "common/Utf8.h"

namespace tidemark::refined {

// Small Unicode helpers for titles, without the user's locale. The case of
// letters comes from the system's Unicode tables (LetterCase.cpp,
// win32/LetterCase.cpp).

bool isLetter(char32_t c);
bool isDigit(char32_t c);
bool isSpace(char32_t c);
// A capital (it has a small form) and a small letter (it has a capital),
// in any script that has case, for telling capitals from small letters.
bool isUpper(char32_t c);
bool isLower(char32_t c);
char32_t toLower(char32_t c);

// Lower-cased letters and digits only, for comparing texts that differ in
// spacing, punctuation or case.
std::u32string foldForMatch(std::u32string_view text);

// The title as it should read: ligatures spelled out, compatibility forms
// folded (Unicode NFKC), runs of spaces made one, no space at either end.
std::u32string normalizeTitle(std::u32string_view text);

// How closely two folded texts agree, from 0 to 1 (1 - edit distance / the
// longer length). Costs the product of their lengths: for texts of title
// length.
double similarity(const std::u32string &a, const std::u32string &b);
// Whether similarity(a, b) >= threshold, in time that grows with the
// shorter length and the edits the threshold allows.
bool similarAtLeast(const std::u32string &a, const std::u32string &b, double threshold);

}  // namespace tidemark::refined
