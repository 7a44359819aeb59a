#include "title/LineCollector.h"

#include <limits>

namespace tidemark {

namespace {

bool isAsciiLetter(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isAsciiLower(unsigned char c)
{
    return c >= 'a' && c <= 'z';
}

unsigned char asciiLower(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// Truncates a size toward zero. A damaged or hostile file can give any size
// at all (1e122, infinity, NaN), and converting one out of the range of int
// is undefined: such sizes are held at the ends of the range, NaN at 0.
int truncatedSize(double size)
{
    if (!(size == size)) {
        return 0;
    }
    if (size >= static_cast<double>(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    if (size <= static_cast<double>(std::numeric_limits<int>::min())) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(size);
}

}  // namespace

bool isAbstractHeading(const char *text, int length)
{
    static constexpr char kWord[] = "abstract";
    constexpr int kLen = sizeof(kWord) - 1;
    if (length < kLen) {
        return false;
    }
    for (int i = 0; i < kLen; ++i) {
        if (asciiLower(static_cast<unsigned char>(text[i])) != static_cast<unsigned char>(kWord[i])) {
            return false;
        }
    }
    return true;
}

bool collectLine(CollectorState &state, const char *text, int length)
{
    // The delivery marks a line that carries on the word a hyphenated line
    // broke off; it can join that line only if the call before stored it.
    // Whatever this call does with its string, that string is now the one
    // before the next.
    const bool continuesStoredLine = state.continuesLine && state.previousLineStored;
    state.previousLineStored = false;
    if (length < 1) {
        return true;
    }
    // Separators (space, CR LF, form feed) and lines that open with a digit,
    // a symbol or a non-ASCII letter never take part in a title.
    if (!isAsciiLetter(static_cast<unsigned char>(text[0]))) {
        return true;
    }

    const bool sizeChanged = state.currentLineFontSize != state.lastLineFontSize;
    state.lastLineFontSize = state.currentLineFontSize;

    TitleBlockList &blocks = state.blocks;
    if (!blocks.empty() && isAbstractHeading(text, length)) {
        state.abstractPage = state.pageNumber;
        state.stopRequested = true;
        return false;
    }

    // "Hydro-" and "dynamic" are one word broken over two lines: the second
    // part joins the stored first part instead of making a line of its own,
    // which would put a space into the word when the lines are joined. After
    // "Self-", "Organizing" begins a word of its own: the hyphen was part of
    // a compound. The size of the second part plays no part: it is the same
    // word, whatever its first letter measures.
    if (continuesStoredLine && isAsciiLower(static_cast<unsigned char>(text[0]))) {
        blocks.back().lines.back().append(text, static_cast<size_t>(length));
    } else {
        // The stored size is a whole number, and a new block is opened only
        // when the exact size differs from both the previous line and that
        // number: 17.2 after 17.0 opens a second "17" block, 17.0 after 17.6
        // rejoins it.
        if (blocks.empty() ||
            (sizeChanged && state.currentLineFontSize != static_cast<double>(blocks.back().fontSize))) {
            blocks.push_back({truncatedSize(state.currentLineFontSize), state.pageNumber, {}});
        }
        blocks.back().lines.emplace_back(text, static_cast<size_t>(length));
    }
    state.previousLineStored = true;
    return true;
}

}  // namespace tidemark
