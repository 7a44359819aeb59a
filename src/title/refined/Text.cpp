#include "title/refined/Text.h"

#include <cstdlib>
#include <memory>

#include <UnicodeTypeTable.h>

namespace tidemark::refined {

bool isDigit(char32_t c)
{
    return c >= U'0' && c <= U'9';
}

bool isSpace(char32_t c)
{
    return c == U' ' || c == U'\t' || c == 0xA0 || (c >= 0x2000 && c <= 0x200B) || c == 0x3000;
}

bool isLetter(char32_t c)
{
    if (c < 0x80) {
        return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z');
    }
    if (c < 0x100) {
        return c >= 0xC0 && c != 0xD7 && c != 0xF7;
    }
    // Outside Latin-1, everything but punctuation, symbols, marks and
    // private use counts as a letter: enough to tell words from rules and
    // bullets in any script.
    return !((c >= 0x2000 && c <= 0x2BFF) || (c >= 0x3000 && c <= 0x303F) || (c >= 0xE000 && c <= 0xF8FF) ||
             (c >= 0x0300 && c <= 0x036F) || (c >= 0xFE00 && c <= 0xFE6F) || (c >= 0xFF00 && c <= 0xFF0F) ||
             (c >= 0x1F000) || c == 0xFFFD);
}

std::u32string foldForMatch(std::u32string_view text)
{
    std::u32string out;
    out.reserve(text.size());
    for (char32_t c : normalizeTitle(text)) {
        if (isLetter(c) || isDigit(c)) {
            out += toLower(c);
        }
    }
    return out;
}

std::u32string normalizeTitle(std::u32string_view text)
{
    std::u32string in;
    in.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        // TeX sets an accented i or j as the dotless letter under an
        // accent; with the accent it is the plain letter, accented.
        const bool accentFollows = i + 1 < text.size() && text[i + 1] >= 0x300 && text[i + 1] <= 0x36F;
        if ((c == 0x131 || c == 0x237) && accentFollows) {
            in += c == 0x131 ? U'i' : U'j';
        } else {
            in += (c < 0x20 || isSpace(c)) ? U' ' : c;
        }
    }
    int length = 0;
    struct Free {
        void operator()(void *p) const { std::free(p); }
    };
    std::unique_ptr<Unicode, Free> folded(
        unicodeNormalizeNFKC(reinterpret_cast<const Unicode *>(in.data()), static_cast<int>(in.size()), &length,
                             nullptr));
    std::u32string out;
    out.reserve(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i) {
        const char32_t c = folded.get()[i];
        if (isSpace(c) || c < 0x20) {
            if (!out.empty() && out.back() != U' ') {
                out += U' ';
            }
        } else {
            out += c;
        }
    }
    while (!out.empty() && out.back() == U' ') {
        out.pop_back();
    }
    return out;
}

}  // namespace tidemark::refined
