#include "title/refined/Contents.h"

#include <algorithm>

#include "title/refined/Vocabulary.h"
#include "title/refined/Tuning.h"

namespace tidemark::refined {

namespace {

// A row of a list of contents: text on the left, a page number on the
// right, after dot leaders or a wide gap. Sorts `row` from left to right.
bool isContentsRow(std::vector<const Line *> &row)
{
    // Cheap tests first: the rightmost piece ends in a number, and some
    // piece has letters.
    const auto last = std::max_element(row.begin(), row.end(),
                                       [](const Line *a, const Line *b) { return a->xMax < b->xMax; });
    if (last == row.end() || (*last)->words.empty() || !isPageNumber((*last)->words.back().text) ||
        !std::any_of(row.begin(), row.end(), [](const Line *l) { return l->letters() > 0; })) {
        return false;
    }
    std::sort(row.begin(), row.end(), [](const Line *a, const Line *b) { return a->xMin < b->xMin; });
    std::vector<const Word *> words;
    for (const Line *l : row) {
        for (const Word &w : l->words) {
            words.push_back(&w);
        }
    }
    if (words.size() < 2 || !isPageNumber(words.back()->text)) {
        return false;
    }
    const Word &number = *words.back();
    const Word &before = *words[words.size() - 2];
    const bool leaders = before.text.find(U"..") != std::u32string::npos ||
                         (before.text == U"." && words.size() >= 3 && words[words.size() - 3]->text == U".");
    return leaders || number.xMin - before.xMax > tuning::kContentsNumberGap * number.size;
}

}  // namespace

Contents findContents(const PageAnalysis &a, const std::vector<Line> &lines, int rotation)
{
    // Rows of contents: the lines on one baseline, looked at together. A
    // segment whose lines are mostly such rows is part of the list.
    Contents c;
    c.row.assign(a.segments.size(), false);
    c.heading = a.segments.size();
    // The lines by baseline, gathered into rows of one baseline each.
    std::vector<std::size_t> byBaseline(lines.size());
    for (std::size_t k = 0; k < lines.size(); ++k) {
        byBaseline[k] = k;
    }
    std::sort(byBaseline.begin(), byBaseline.end(),
              [&lines](std::size_t x, std::size_t y) { return lines[x].baseline < lines[y].baseline; });
    std::vector<bool> inRow(lines.size(), false);
    std::vector<const Line *> row;
    for (std::size_t begin = 0; begin < byBaseline.size();) {
        const Line &head = lines[byBaseline[begin]];
        double size = head.size();
        std::size_t end = begin + 1;
        for (; end < byBaseline.size(); ++end) {
            const Line &next = lines[byBaseline[end]];
            size = std::max(size, next.size());
            if (next.baseline - head.baseline > tuning::kContentsRowBaseline * size) {
                break;
            }
        }
        row.clear();
        for (std::size_t k = begin; k < end; ++k) {
            if (lines[byBaseline[k]].rotation == head.rotation) {
                row.push_back(&lines[byBaseline[k]]);
            }
        }
        const bool isRow = isContentsRow(row);
        for (std::size_t k = begin; k < end; ++k) {
            inRow[byBaseline[k]] = isRow && lines[byBaseline[k]].rotation == head.rotation;
        }
        begin = end;
    }
    std::size_t rowLines = 0;
    for (std::size_t i = 0; i < a.segments.size(); ++i) {
        std::size_t count = 0;
        for (const Line &line : a.segments[i].lines) {
            count += inRow[static_cast<std::size_t>(line.index)] ? 1 : 0;
        }
        c.row[i] = 2 * count >= a.segments[i].lines.size();
        rowLines += count;
    }
    c.listed = rowLines >= 3;
    // The heading of such a list: the short line right above its first row.
    // Rows scattered through paragraphs ("... 10" ending a line of prose)
    // make no segment a row, and then there is no list to head.
    const std::size_t first = static_cast<std::size_t>(std::find(c.row.begin(), c.row.end(), true) - c.row.begin());
    if (c.listed && first < a.segments.size()) {
        for (std::size_t j = first; j-- > 0;) {
            const Segment &s = a.segments[j];
            if (s.rotation != rotation) {
                continue;
            }
            if (s.yMax <= a.segments[first].yMin + 1 && a.segments[first].yMin - s.yMax < 3 * s.size &&
                s.words() <= 4) {
                c.heading = j;
            }
            break;
        }
    }
    return c;
}

}  // namespace tidemark::refined
