#include "title/refined/Scoring.h"

#include <algorithm>

#include "title/refined/Text.h"

namespace tidemark::refined {

namespace {

std::u32string foldedText(const Segment &s)
{
    return foldForMatch(s.text);
}

bool agreesWith(const std::u32string &printed, const std::u32string &meta)
{
    if (printed.size() < 3 || meta.size() < 3) {
        return false;
    }
    if (similarAtLeast(printed, meta, 0.85)) {
        return true;
    }
    // One holds the other, as a title holds its subtitle.
    const auto &longer = printed.size() >= meta.size() ? printed : meta;
    const auto &shorter = printed.size() >= meta.size() ? meta : printed;
    return longer.find(shorter) != std::u32string::npos && shorter.size() * 10 >= longer.size() * 6 &&
           shorter.size() >= 8;
}

}  // namespace

// Scores: size against the running text, then what the position, the
// neighbours and the metadata say.
void score(PageAnalysis &a, const DocumentFacts &facts)
{
    for (std::size_t i = 0; i < a.segments.size(); ++i) {
        Segment &s = a.segments[i];
        if (!s.viable()) {
            continue;
        }
        s.score = s.size / a.bodySize;
        if (s.bold) {
            s.score *= 1.08;
        }
        bool evidenceAgainst = false;
        if (a.after(s)) {
            evidenceAgainst = true;
            s.score *= 0.2;
            s.notes.push_back("after " + a.boundaryWhat);
        }
        if (inMargin(s, a.height) && !a.cropped) {
            s.score *= 0.5;
            s.notes.push_back("in the page margin");
        } else if (s.yMin > 0.6 * a.height) {
            s.score *= 0.8;
            s.notes.push_back("low on the page");
        }
        // A journal's name stands next to its volume and issue.
        for (std::size_t j = i > 0 ? i - 1 : 0; j < std::min(a.segments.size(), i + 3); ++j) {
            const Segment &o = a.segments[j];
            if (j != i && o.rejected == Rejection::JournalData && o.yMin < s.yMax + 2 * s.size &&
                o.yMax > s.yMin - 2 * s.size) {
                evidenceAgainst = true;
                s.score *= 0.3;
                s.notes.push_back("next to journal or issue data");
                break;
            }
        }
        // The metadata backs up what the page says; it does not overrule
        // the page's own evidence against a block.
        const std::u32string folded = foldedText(s);
        for (const std::u32string &m : facts.foldedTitles) {
            if (!evidenceAgainst && agreesWith(folded, m)) {
                s.metadataAgrees = true;
                s.score *= 2.5;
                s.notes.push_back("agrees with the metadata title");
                break;
            }
        }
    }
}

}  // namespace tidemark::refined
