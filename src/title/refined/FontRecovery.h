#pragma once

#include <array>
#include <bitset>
#include <map>
#include <set>
#include <string>
#include <utility>

#include <CharTypes.h>
#include <Object.h>

class GfxFont;

namespace tidemark::refined {

// Some toolchains embed a text font with a broken character map, so that
// the library reads its letters as dingbats, symbols, private-use or
// control characters, or as other letters, one for one. What the font
// itself says about a character code reads it again: its glyph name (in
// the encoding the font declares or has built in), a glyph name that gives
// the glyph's number in the standard Macintosh order, or the code itself
// read as ASCII.

// A type size in tenths of a point, as the audit tells sizes apart.
long sizeTenths(double size);

// The character that a font's own data gives `code`, or 0 when it gives
// none that could be text (a letter, a digit, a space, punctuation).
Unicode recoveredCharacter(const GfxFont &font, CharCode code);

// Whether a word reads as a word of running text: letters (in small
// letters, capitals, or a capital and small letters), digits, inner
// hyphens and apostrophes, punctuation at either end.
bool wellFormedWord(std::u32string_view word);

// A page's text as it is drawn, by font and size: whether the characters
// the library decodes are implausible for running text (few letters, few
// words, or capitals alone where the font names small letters) while those
// the font says itself read as text. A font whose name says it is a symbol,
// dingbat or mathematical font is taken at its word.
class FontAudit {
public:
    // One character drawn in `font` at `size`; `decoded` is what the
    // library reads, `apart` whether it stands apart from the character
    // drawn before it (a new word).
    void note(const GfxFont &font, double size, CharCode code, Unicode decoded, bool apart);
    // The fonts and sizes (in tenths of a point) whose characters are to be
    // read from the font's own data.
    std::set<std::pair<Ref, long>> brokenFonts();
    void clear();

private:
    struct Counts {
        std::size_t characters = 0, changed = 0;
        std::size_t decodedLetters = 0, recoveredLetters = 0;
        std::size_t decodedSmall = 0, recoveredSmall = 0;
        std::size_t words = 0, decodedWords = 0, recoveredWords = 0;
        bool symbolic = false;
        std::u32string decoded, recovered;  // the word being drawn
        // What the font's data gives each one-byte code, once looked up.
        std::bitset<256> known;
        std::array<Unicode, 256> recoveredByCode{};
    };
    void endWord(Counts &counts);

    std::map<std::pair<Ref, long>, Counts> groups_;
    // The group of the last character: most characters follow one of the
    // same font and size.
    const GfxFont *lastFont_ = nullptr;
    long lastSize_ = 0;
    Counts *last_ = nullptr;
};

}  // namespace tidemark::refined
