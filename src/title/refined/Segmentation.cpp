#include "title/refined/Segmentation.h"

#include <algorithm>
#include <cmath>

#include "title/refined/Text.h"
#include "title/refined/Vocabulary.h"
#include "title/refined/Tuning.h"

namespace tidemark::refined {

bool similarSize(double a, double b, double tolerance)
{
    return std::min(a, b) >= (1 - tolerance) * std::max(a, b);
}

namespace {

double lineSize(const Line &l)
{
    return l.size();
}

void extend(Line &into, const Line &from)
{
    if (!into.words.empty()) {
        into.words.back().spaceAfter = true;
    }
    into.words.insert(into.words.end(), from.words.begin(), from.words.end());
    into.xMin = std::min(into.xMin, from.xMin);
    into.yMin = std::min(into.yMin, from.yMin);
    into.xMax = std::max(into.xMax, from.xMax);
    into.yMax = std::max(into.yMax, from.yMax);
}

}  // namespace

// The library sometimes breaks one printed line into several blocks (a
// word in another font, wide spaces): pieces on one baseline, of one size
// and close together, are one line again.
std::vector<Line> mergeFragments(const std::vector<Line> &lines)
{
    std::vector<Line> out;
    for (const Line &line : lines) {
        if (!out.empty()) {
            Line &previous = out.back();
            const double previousSize = lineSize(previous);
            const double nextSize = lineSize(line);
            const double size = std::max(previousSize, nextSize);
            const double gap = line.xMin - previous.xMax;
            if (previous.rotation == 0 && line.rotation == 0 && std::abs(previous.baseline - line.baseline) <= tuning::kFragmentBaseline * size &&
                similarSize(previousSize, nextSize, tuning::kFragmentSizeTolerance) &&
                gap >= tuning::kFragmentGapBefore * size && gap <= tuning::kFragmentGapAfter * size) {
                extend(previous, line);
                continue;
            }
        }
        out.push_back(line);
    }
    return out;
}

// Letter-spaced text ("A B S T R A C T", titles set wide) comes out of the
// layout as one word per letter. Where most words of a line are single
// letters, the letters close up again, and only the gaps wider than those
// between letters stay spaces.
void closeLetterSpacing(Line &line)
{
    const std::size_t n = line.words.size();
    const std::size_t single = static_cast<std::size_t>(
        std::count_if(line.words.begin(), line.words.end(), [](const Word &w) { return w.text.size() == 1; }));
    if (line.rotation != 0 || n < 4 || 10 * single < 6 * n) {
        return;
    }
    std::vector<double> letterGaps;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (line.words[i].text.size() == 1 && line.words[i + 1].text.size() == 1) {
            letterGaps.push_back(line.words[i + 1].xMin - line.words[i].xMax);
        }
    }
    if (letterGaps.empty()) {
        return;
    }
    std::nth_element(letterGaps.begin(), letterGaps.begin() + static_cast<std::ptrdiff_t>(letterGaps.size() / 2),
                     letterGaps.end());
    const double wordGap = letterGaps[letterGaps.size() / 2] + tuning::kWordGapExtra * line.size();
    for (std::size_t i = 0; i + 1 < n; ++i) {
        line.words[i].spaceAfter = line.words[i + 1].xMin - line.words[i].xMax >= wordGap;
    }
}

namespace {

bool standsApart(const Line &line)
{
    const std::u32string text = line.text();
    const std::vector<std::u32string> words = splitWords(text);
    return looksLikeVersion(words) || looksLikeDate(words) || looksLikeContact(text) || looksBibliographic(words);
}

// Most of its characters are bold.
bool isBold(const Line &line)
{
    std::size_t bold = 0, all = 0;
    for (const Word &w : line.words) {
        all += w.text.size();
        bold += w.bold ? w.text.size() : 0;
    }
    return 2 * bold > all;
}

// Whether `line` carries on `segment` as the next line of one text. Where
// bold type gives way to regular type of the same size, one text ends (a
// title in bold, the names under it in regular type).
bool continues(const Segment &segment, const Line &line)
{
    const Line &last = segment.lines.back();
    const double lastSize = lineSize(last);
    const double nextSize = lineSize(line);
    const double size = std::max(lastSize, nextSize);
    if (line.rotation != last.rotation || !similarSize(lastSize, nextSize, tuning::kLineSizeTolerance) ||
        (isBold(last) && !isBold(line))) {
        return false;
    }
    const double pitch = line.baseline - last.baseline;
    if (line.rotation != 0 || pitch < tuning::kLinePitchMin * size || pitch > tuning::kLinePitchMax * size) {
        return false;
    }
    return line.xMin < segment.xMax + size && line.xMax > segment.xMin - size;
}

// Joins lines into one text. A hyphen that ends a line joins the next line
// without a space; it goes when the next line goes on in small letters
// (a word broken in two) and stays before a capital ("Self-" "Organizing").
bool isFootnoteMark(char32_t c)
{
    return c == U'*' || c == 0x2217 || c == 0x2020 || c == 0x2021 || c == 0xA7 || c == 0xB6 || c == 0x22C6 ||
           c == 0x2605;
}

// A line's text without the footnote marks at its end: marks (*, the
// dagger...) and smaller raised numbers that point to a note.
std::u32string withoutNoteMarks(const Line &line)
{
    Line trimmed = line;
    const double size = line.size();
    while (trimmed.words.size() > 1) {
        const Word &w = trimmed.words.back();
        const Word &before = trimmed.words[trimmed.words.size() - 2];
        // A raised letter set close against the word before it points to a
        // note too ("Title^a)"); a word of its own in small type does not.
        const bool raised = !before.spaceAfter && w.baseline < line.baseline - tuning::kRaisedMark * size;
        const bool mark = std::all_of(w.text.begin(), w.text.end(), [raised](char32_t c) {
            return isFootnoteMark(c) || isDigit(c) || c == U',' || (raised && (isLetter(c) || c == U')'));
        });
        if (w.size >= tuning::kNoteMarkSize * size || !mark || w.text.size() > 3) {
            break;
        }
        trimmed.words.pop_back();
    }
    std::u32string text = trimmed.text();
    // Marks in a row are set apart by commas: "title*,**".
    while (!text.empty() && (isFootnoteMark(text.back()) || text.back() == U' ' ||
                             (text.back() == U',' && text.size() >= 2 && isFootnoteMark(text[text.size() - 2])))) {
        text.pop_back();
    }
    return text;
}

std::u32string joinLines(const std::vector<Line> &lines)
{
    std::u32string out;
    for (const Line &line : lines) {
        const std::u32string text = withoutNoteMarks(line);
        if (text.empty()) {
            continue;
        }
        if (!out.empty()) {
            if (out.back() == U'-' || out.back() == 0x2010) {
                if (isLower(text[0]) && out.size() >= 2 && isLetter(out[out.size() - 2])) {
                    out.pop_back();
                }
            } else {
                out += U' ';
            }
        }
        out += text;
    }
    return out;
}

Segment makeSegment(std::vector<Line> lines)
{
    Segment s;
    s.lines = std::move(lines);
    SizeTally sizes;
    std::size_t bold = 0, all = 0;
    s.xMin = s.yMin = 1e300;
    s.xMax = s.yMax = -1e300;
    for (const Line &l : s.lines) {
        sizes.add(l);
        for (const Word &w : l.words) {
            all += w.text.size();
            bold += w.bold ? w.text.size() : 0;
        }
        s.xMin = std::min(s.xMin, l.xMin);
        s.yMin = std::min(s.yMin, l.yMin);
        s.xMax = std::max(s.xMax, l.xMax);
        s.yMax = std::max(s.yMax, l.yMax);
    }
    s.size = sizes.mode();
    s.bold = 2 * bold > all;
    s.rotation = s.lines.front().rotation;
    s.text = joinLines(s.lines);
    const std::u32string first = s.lines.front().text();
    const std::vector<std::u32string> firstWords = splitWords(first);
    s.phrase = readsAsPhrase(firstWords) || (!first.empty() && isLower(first[0]));
    s.byline = looksLikeNames(first) || looksLikeContact(s.text) ||
               std::any_of(s.lines.begin(), s.lines.end(),
                           [](const Line &l) { return looksLikeAffiliation(splitWords(l.text())); });
    return s;
}

}  // namespace

std::vector<Segment> formSegments(const std::vector<Line> &lines, int rotation)
{
    std::vector<Segment> segments;
    Segment current;  // the lines so far and their horizontal extent
    auto flush = [&] {
        if (!current.lines.empty()) {
            segments.push_back(makeSegment(std::move(current.lines)));
            current.lines.clear();
        }
    };
    for (const Line &line : lines) {
        if (line.rotation != rotation) {
            // Turned text (a stamp down the margin) stands alone and does
            // not interrupt the lines around it.
            segments.push_back(makeSegment({line}));
            continue;
        }
        // A date, a version or an address is never part of a title, even
        // in the title's type right under it.
        const bool apart = standsApart(line);
        if (!current.lines.empty() && (apart || !continues(current, line))) {
            flush();
        }
        if (apart) {
            segments.push_back(makeSegment({line}));
            continue;
        }
        if (current.lines.empty()) {
            current.xMin = line.xMin;
            current.xMax = line.xMax;
        } else {
            current.xMin = std::min(current.xMin, line.xMin);
            current.xMax = std::max(current.xMax, line.xMax);
        }
        current.lines.push_back(line);
    }
    flush();
    return segments;
}

// The size of the running text: the size most characters of the page's
// paragraphs are set in. A page without paragraphs (a cover, a title page)
// has no running text; its smallest type stands in for it.
double bodySizeOf(const std::vector<Segment> &segments, bool &hasBody)
{
    SizeTally sizes;
    double smallest = 0;
    for (const Segment &s : segments) {
        if (s.lines.size() >= tuning::kParagraphLines && s.text.size() >= tuning::kParagraphCharacters) {
            for (const Line &l : s.lines) {
                sizes.add(l);
            }
        }
        if (s.text.size() >= 4 && (smallest == 0 || s.size < smallest)) {
            smallest = s.size;
        }
    }
    hasBody = !sizes.empty();
    if (!hasBody) {
        return smallest > 0 ? smallest : 10;
    }
    return sizes.mode();
}

std::size_t Segment::words() const
{
    return splitWords(text).size();
}

}  // namespace tidemark::refined
