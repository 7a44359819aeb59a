#include "title/refined/PageAnalysis.h"

#include <algorithm>

#include "title/refined/Contents.h"
#include "title/refined/Rejections.h"
#include "title/refined/Scoring.h"
#include "title/refined/Text.h"
#include "title/refined/Vocabulary.h"
#include "title/refined/Tuning.h"

namespace tidemark::refined {

// In the band at the top or the foot of the page where running heads,
// page numbers and stamps stand, outside the text.
bool inMargin(const Segment &s, double pageHeight)
{
    return s.yMax < tuning::kMarginTop * pageHeight || s.yMin > tuning::kMarginFoot * pageHeight;
}


bool PageAnalysis::after(const Segment &s) const
{
    return s.yMin >= boundary && s.xMax > boundaryLeft;
}

bool PageAnalysis::before(const Segment &s) const
{
    return s.yMax <= boundary || s.xMax <= boundaryLeft;
}

void PageAnalysis::setBoundary(const Segment &s, std::string what)
{
    boundary = s.yMin;
    boundaryWhat = std::move(what);
    // Only a block that starts past the middle of the page stands in a
    // column of its own.
    boundaryLeft = s.xMin > tuning::kRightColumnFrom * width ? s.xMin : -std::numeric_limits<double>::infinity();
}

const Segment *PageAnalysis::best() const
{
    const Segment *best = nullptr;
    for (const Segment &s : segments) {
        if (s.viable() && (best == nullptr || s.score > best->score)) {
            best = &s;
        }
    }
    return best;
}

namespace {

// The first heading that opens the body: a numbered one over running text,
// one named as papers name their first section, or one the outline names.
void findFirstSection(PageAnalysis &a, const DocumentFacts &facts)
{
    // The outline's entries after its first are the paper's sections (its
    // first is now and then the title itself). Headings of sections share
    // one size; a block in another size that bears the name of a section is
    // the title named so, or a running head in the page margin.
    std::vector<std::u32string> sections;
    for (std::size_t k = 1; k < facts.outline.size(); ++k) {
        sections.push_back(letters(facts.outline[k]));
    }
    const double height = a.height;
    auto sectionName = [&sections, height](const Segment &s) {
        if (inMargin(s, height)) {
            return false;
        }
        const std::u32string rest = headingName(splitWords(s.text));
        return rest.size() >= 3 && std::find(sections.begin(), sections.end(), rest) != sections.end();
    };
    SizeTally headingSizes;
    for (const Segment &s : a.segments) {
        if (s.viable() && sectionName(s)) {
            for (const Line &l : s.lines) {
                headingSizes.add(l);
            }
        }
    }
    const double headingSize = headingSizes.mode();

    // Headings that open the body: the title stands above them.
    for (std::size_t i = 0; i < a.segments.size(); ++i) {
        Segment &s = a.segments[i];
        if (!s.viable() || a.after(s)) {
            continue;
        }
        const std::vector<std::u32string> words = splitWords(s.text);
        const std::u32string rest = headingName(words);
        const bool numbered = !words.empty() && isSectionNumber(words.front()) && words.size() <= tuning::kHeadingMaxWords;
        bool beforeText = false;
        for (std::size_t j = i + 1; j < a.segments.size(); ++j) {
            const Segment &next = a.segments[j];
            if (next.rotation != s.rotation || next.yMin < s.yMax - 1) {
                continue;
            }
            const std::vector<std::u32string> nextWords = splitWords(next.text);
            beforeText = next.yMin - s.yMax < tuning::kHeadingGap * s.size &&
                         (similarSize(next.size, a.bodySize, tuning::kBodySizeTolerance) || (!nextWords.empty() && isSectionNumber(nextWords[0])));
            break;
        }
        if ((numbered && beforeText) || isOpeningHeading(rest)) {
            a.setBoundary(s, "the first section");
            return;
        }
        if (sectionName(s) && similarSize(s.size, headingSize, tuning::kHeadingSizeTolerance)) {
            a.setBoundary(s, "a section named in the outline");
            return;
        }
    }

}

}  // namespace

PageAnalysis analysePage(PageLayout page, const DocumentFacts &facts)
{
    turnUpright(page, dominantRotation(page.lines));
    PageAnalysis a;
    a.number = page.number;
    a.width = page.width;
    a.height = page.height;
    std::vector<Line> lines = mergeFragments(page.lines);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        closeLetterSpacing(lines[k]);
        lines[k].index = static_cast<int>(k);
    }
    // The page has been turned so that most of its text reads upright.
    const int rotation = 0;
    a.segments = formSegments(lines, rotation);
    // A page cut down to its text (a preview, a figure-like page) has no
    // margins: its text reaches the left edge.
    a.cropped = std::any_of(lines.begin(), lines.end(), [&a](const Line &l) { return l.xMin < tuning::kCroppedEdge * a.width; });
    a.bodySize = bodySizeOf(a.segments, a.hasBody);
    classify(a, findContents(a, lines, rotation), rotation);
    findFirstSection(a, facts);
    score(a, facts);
    return a;
}

}  // namespace tidemark::refined
