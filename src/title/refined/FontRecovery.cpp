#include "title/refined/FontRecovery.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include <GfxFont.h>
#include <GlobalParams.h>

#include "title/refined/Text.h"
#include "title/refined/Tuning.h"

namespace tidemark::refined {

namespace {

// Text: letters, digits, spaces and the punctuation of running text.
bool couldBeText(Unicode c)
{
    return isLetter(c) || isDigit(c) || (c >= 0x20 && c < 0x7F);
}

// "uni0041", "u1D400": the Adobe glyph naming convention's code points.
Unicode codePointName(std::string_view name)
{
    std::size_t digits = 0;
    if (name.starts_with("uni") && name.size() == 7) {
        digits = 3;
    } else if (name.starts_with("u") && name.size() >= 5 && name.size() <= 7) {
        digits = 1;
    } else {
        return 0;
    }
    Unicode value = 0;
    for (char c : name.substr(digits)) {
        const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (d < 0) {
            return 0;
        }
        value = value * 16 + static_cast<Unicode>(d);
    }
    return value;
}

// "g51", "gid51", "glyph51", "index51", "cid51": a glyph named by its
// number. Fonts whose first glyphs follow the standard Macintosh order
// (.notdef, .null, CR, then space to asciitilde) set ASCII at numbers 3 to
// 97, which subsetting programs keep as the names of the glyphs they copy.
Unicode numberedGlyphName(std::string_view name)
{
    for (std::string_view prefix : {"glyph", "index", "gid", "cid", "g"}) {
        if (name.starts_with(prefix) && name.size() > prefix.size() && name.size() <= prefix.size() + 3) {
            int number = 0;
            for (char c : name.substr(prefix.size())) {
                if (c < '0' || c > '9') {
                    return 0;
                }
                number = number * 10 + (c - '0');
            }
            return number >= 3 && number <= 97 ? static_cast<Unicode>(number + 29) : 0;
        }
    }
    return 0;
}

// What a glyph name says, without its variant suffix (".sc", ".alt").
Unicode fromGlyphName(const char *glyphName)
{
    std::string name(glyphName);
    if (const auto dot = name.find('.'); dot != std::string::npos && dot > 0) {
        name.resize(dot);
    }
    if (const Unicode named = globalParams->mapNameToUnicodeText(name.c_str()); named != 0) {
        return named;
    }
    if (const Unicode point = codePointName(name); point != 0) {
        return point;
    }
    return numberedGlyphName(name);
}

// Symbol, dingbat and mathematical fonts draw symbols on purpose.
bool namedAsSymbolFont(const GfxFont &font)
{
    const std::optional<std::string> &name = font.getName();
    if (!name) {
        return false;
    }
    std::string lower;
    for (char c : *name) {
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    if (const auto plus = lower.find('+'); plus != std::string::npos) {
        lower.erase(0, plus + 1);  // a subset tag
    }
    for (std::string_view part : {"symbol", "dingbat", "wingding", "webding", "math", "ornament", "bullet"}) {
        if (lower.find(part) != std::string::npos) {
            return true;
        }
    }
    // TeX's symbol, math italic, extension and AMS symbol fonts.
    for (std::string_view prefix : {"cmsy", "cmmi", "cmex", "msam", "msbm", "lmsy", "lmmi", "lmex", "rsfs", "wasy"}) {
        if (lower.starts_with(prefix)) {
            return true;
        }
    }
    return false;
}

}  // namespace

long sizeTenths(double size)
{
    return std::lround(size * 10);
}

Unicode recoveredCharacter(const GfxFont &font, CharCode code)
{
    if (font.isCIDFont() || code > 0xFF) {
        return 0;  // codes of a CID font number glyphs, not characters
    }
    // The glyph's name in the encoding the font declares or has built in.
    char *const *encoding = const_cast<Gfx8BitFont &>(static_cast<const Gfx8BitFont &>(font)).getEncoding();
    if (const char *name = encoding[code]; name != nullptr && std::strcmp(name, ".notdef") != 0) {
        if (const Unicode c = fromGlyphName(name); couldBeText(c)) {
            return c;
        }
    }
    // The code itself, as ASCII or Latin-1 letters.
    const auto c = static_cast<Unicode>(code);
    return (c > 0x20 && c < 0x7F) || (c >= 0xC0 && c != 0xD7 && c != 0xF7) ? c : 0;
}

bool wellFormedWord(std::u32string_view word)
{
    auto opening = [](char32_t c) {
        return std::u32string_view(U"([{\"'`\u00AB\u201C\u2018\u201E").find(c) != std::u32string_view::npos;
    };
    auto closing = [](char32_t c) {
        return std::u32string_view(U")]}\"',.;:!?\u00BB\u201D\u2019*").find(c) != std::u32string_view::npos;
    };
    while (!word.empty() && opening(word.front())) {
        word.remove_prefix(1);
    }
    while (!word.empty() && closing(word.back())) {
        word.remove_suffix(1);
    }
    std::size_t capitals = 0, small = 0, innerCapitals = 0;
    for (std::size_t i = 0; i < word.size(); ++i) {
        const char32_t c = word[i];
        if (isUpper(c)) {
            ++capitals;
            innerCapitals += i > 0 ? 1 : 0;
        } else if (isLower(c)) {
            ++small;
        } else if (!isLetter(c) && !isDigit(c) && !(i > 0 && (c == U'-' || c == U'\'' || c == 0x2019 || c == U'.'))) {
            return false;
        }
    }
    // All small, all capitals, a capital then small letters; a capital or
    // two inside a word of small letters ("McLean", "LaTeX").
    return !word.empty() && (small == 0 || innerCapitals == 0 || 2 * innerCapitals <= small);
}

void FontAudit::note(const GfxFont &font, double size, CharCode code, Unicode decoded, bool apart)
{
    const long tenths = sizeTenths(size);
    if (&font != lastFont_ || tenths != lastSize_) {
        if (last_ != nullptr) {
            endWord(*last_);
        }
        const auto [entry, added] = groups_.try_emplace({*font.getID(), tenths});
        if (added) {
            entry->second.symbolic = namedAsSymbolFont(font);
        }
        lastFont_ = &font;
        lastSize_ = tenths;
        last_ = &entry->second;
    }
    Counts &counts = *last_;
    if (counts.symbolic) {
        return;
    }
    Unicode recovered = 0;
    if (code < counts.known.size() && counts.known[code]) {
        recovered = counts.recoveredByCode[code];
    } else {
        recovered = recoveredCharacter(font, code);
        if (code < counts.known.size()) {
            counts.known[code] = true;
            counts.recoveredByCode[code] = recovered;
        }
    }
    if (apart || decoded == U' ' || recovered == U' ') {
        endWord(counts);
    }
    if (decoded == U' ' || recovered == U' ') {
        return;
    }
    ++counts.characters;
    const Unicode read = recovered != 0 ? recovered : decoded;
    counts.changed += read != decoded ? 1 : 0;
    counts.decodedLetters += isLetter(decoded) ? 1 : 0;
    counts.recoveredLetters += isLetter(read) ? 1 : 0;
    counts.decodedSmall += isLower(decoded) ? 1 : 0;
    counts.recoveredSmall += isLower(read) ? 1 : 0;
    counts.decoded += static_cast<char32_t>(decoded);
    counts.recovered += static_cast<char32_t>(read);
}

void FontAudit::endWord(Counts &counts)
{
    if (counts.decoded.size() >= 2) {
        ++counts.words;
        counts.decodedWords += wellFormedWord(counts.decoded) ? 1 : 0;
        counts.recoveredWords += wellFormedWord(counts.recovered) ? 1 : 0;
    }
    counts.decoded.clear();
    counts.recovered.clear();
}

void FontAudit::clear()
{
    groups_.clear();
    lastFont_ = nullptr;
    last_ = nullptr;
}

std::set<std::pair<Ref, long>> FontAudit::brokenFonts()
{
    std::set<std::pair<Ref, long>> broken;
    for (auto &[group, counts] : groups_) {
        endWord(counts);
        const auto share = [](std::size_t part, std::size_t whole) {
            return whole == 0 ? 1.0 : static_cast<double>(part) / static_cast<double>(whole);
        };
        // Implausible: few letters or few words, or capitals alone where
        // the font's own data has mostly small letters.
        const bool implausible = share(counts.decodedLetters, counts.characters) < tuning::kBrokenFontLetters ||
                                 share(counts.decodedWords, counts.words) < tuning::kBrokenFontWords ||
                                 (counts.decodedSmall == 0 &&
                                  share(counts.recoveredSmall, counts.recoveredLetters) >= tuning::kRecoveredSmallLetters);
        const bool readable = share(counts.recoveredLetters, counts.characters) >= tuning::kRecoveredFontLetters &&
                              share(counts.recoveredWords, counts.words) >= tuning::kRecoveredFontLetters;
        if (counts.characters >= tuning::kBrokenFontCharacters &&
            share(counts.changed, counts.characters) >= tuning::kBrokenFontChanged && implausible && readable) {
            broken.insert(group);
        }
    }
    return broken;
}

}  // namespace tidemark::refined
