#include "title/PageText.h"

#include <string>

#include <TextOutputDev.h>
#include <UnicodeMap.h>

namespace tidemark {

namespace {

void appendEncoded(std::string &out, const UnicodeMap &map, Unicode u)
{
    char buf[8];
    const int n = map.mapUnicode(u, buf, sizeof buf);
    out.append(buf, static_cast<size_t>(n > 0 ? n : 0));
}

std::string encode(const UnicodeMap &map, std::initializer_list<Unicode> text)
{
    std::string out;
    for (Unicode u : text) {
        appendEncoded(out, map, u);
    }
    return out;
}

// The line's characters as the layout prints them: each word, and one space
// after every word that the layout marks as followed by a space.
void lineCharacters(const TextLine &line, std::u32string &chars)
{
    chars.clear();
    for (const TextWord *word = line.getWords(); word; word = word->getNext()) {
        for (int i = 0; i < word->getLength(); ++i) {
            chars.push_back(*word->getChar(i));
        }
        if (word->getSpaceAfter()) {
            chars.push_back(U' ');
        }
    }
}

double firstWordSize(const TextBlock *block)
{
    const TextLine *line = block->getLines();
    const TextWord *word = line ? line->getWords() : nullptr;
    return word ? word->getFontSize() : 0.0;
}

}  // namespace

void deliverPageText(const TextFlow *flows, const UnicodeMap *encoding, CollectorState &state,
                     const LineOutput &output)
{
    ++state.pageNumber;
    if (!encoding) {
        return;
    }
    const UnicodeMap &map = *encoding;
    const std::string space = encode(map, {0x20});
    const std::string endOfLine = encode(map, {0x0D, 0x0A});
    const std::string endOfPage = encode(map, {0x0C});
    auto send = [&](const std::string &s) {
        state.continuesLine = false;
        return output(s.data(), static_cast<int>(s.size()));
    };

    std::u32string chars;
    std::string bytes;
    bool stopped = false;
    bool hyphenDropped = false;
    for (const TextFlow *flow = flows; flow && !stopped; flow = flow->getNext()) {
        for (const TextBlock *block = flow->getBlocks(); block && !stopped; block = block->getNext()) {
            for (const TextLine *line = block->getLines(); line; line = line->getNext()) {
                lineCharacters(*line, chars);
                size_t n = chars.size();
                const bool continues = hyphenDropped;
                hyphenDropped = line->isHyphenated() && n > 0 && (line->getNext() || block->getNext());
                if (hyphenDropped) {
                    --n;
                }
                bytes.clear();
                for (size_t i = 0; i < n; ++i) {
                    appendEncoded(bytes, map, chars[i]);
                }
                const TextWord *first = line->getWords();
                state.currentLineFontSize = first ? first->getFontSize() : 0.0;
                state.continuesLine = continues;
                if (!output(bytes.data(), static_cast<int>(bytes.size()))) {
                    stopped = true;
                    break;
                }
                if (line->isHyphenated()) {
                    continue;
                }
                if (line->getNext()) {
                    send(space);
                } else if (const TextBlock *next = block->getNext()) {
                    send(firstWordSize(block) == firstWordSize(next) ? space : endOfLine);
                }
            }
            if (!stopped && !block->getNext()) {
                send(endOfLine);
                send(endOfLine);
            }
        }
    }
    // Page breaks are on by default in the library; the collector drops the
    // marker, but it is part of the stream.
    send(endOfPage);
}

}  // namespace tidemark
