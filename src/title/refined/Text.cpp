#include "title/refined/Text.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

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

namespace {

// The edit distance of two texts, or any number above `limit` once it is
// clear that the distance exceeds it: only the cells within `limit` of the
// diagonal are worked out, so the cost is the shorter length times the
// limit, not the product of the lengths.
std::size_t editDistance(const std::u32string &a, const std::u32string &b, std::size_t limit)
{
    const std::size_t over = limit + 1;
    if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > limit) {
        return over;
    }
    std::vector<std::size_t> row(b.size() + 1, over);
    for (std::size_t j = 0; j <= std::min(b.size(), limit); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        const std::size_t from = i > limit ? i - limit : 1;
        const std::size_t to = std::min(b.size(), i + limit);
        std::size_t diagonal = row[from - 1];
        row[from - 1] = from == 1 && i <= limit ? i : over;
        std::size_t least = row[from - 1];
        for (std::size_t j = from; j <= to; ++j) {
            const std::size_t next =
                std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1] ? 1 : 0), over});
            diagonal = row[j];
            row[j] = next;
            least = std::min(least, next);
        }
        if (least > limit) {
            return over;
        }
    }
    return row[b.size()];
}

}  // namespace

double similarity(const std::u32string &a, const std::u32string &b)
{
    if (a.empty() && b.empty()) {
        return 1;
    }
    const std::size_t longer = std::max(a.size(), b.size());
    return 1.0 - static_cast<double>(editDistance(a, b, longer)) / static_cast<double>(longer);
}

bool similarAtLeast(const std::u32string &a, const std::u32string &b, double threshold)
{
    if (a.empty() && b.empty()) {
        return true;
    }
    const std::size_t longer = std::max(a.size(), b.size());
    // The most edits that can still reach the threshold, and one more for
    // the rounding of the comparison below.
    const auto limit = static_cast<std::size_t>((1 - threshold) * static_cast<double>(longer)) + 1;
    return 1.0 - static_cast<double>(editDistance(a, b, limit)) / static_cast<double>(longer) >= threshold;
}

}  // namespace tidemark::refined
