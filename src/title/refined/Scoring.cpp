#include "title/refined/Scoring.h"

#include <algorithm>
#include <string>

#include "title/refined/Text.h"
#include "title/refined/Tuning.h"

namespace tidemark::refined {

namespace {

// What a signal looks at: the page, the segment and its place among the
// page's segments, the file's metadata, and whether a signal before it
// has already spoken against the segment.
struct Context {
    const PageAnalysis &page;
    const Segment &segment;
    std::size_t index;
    const DocumentFacts &facts;
    bool evidenceAgainst;
};

// One thing that raises or lowers a segment's score. The scoring walks the
// table in order and multiplies the score by the factor of each signal
// that holds, and --explain names each one that held.
struct Signal {
    enum class Kind {
        Layout,    // what the page shows
        Against,   // the page's evidence against the segment, which the
                   // metadata does not overrule
        Metadata,  // the file's metadata agrees with the segment
    };
    const char *name;  // as --explain prints it
    double factor;
    Kind kind;
    bool (*holds)(const Context &c);
    bool namesBoundary = false;  // the note goes on with what the boundary is
};

bool agreesWith(const std::u32string &printed, const std::u32string &meta)
{
    if (printed.size() < 3 || meta.size() < 3) {
        return false;
    }
    if (similarAtLeast(printed, meta, tuning::kMetadataSimilarity)) {
        return true;
    }
    // One holds the other, as a title holds its subtitle.
    const auto &longer = printed.size() >= meta.size() ? printed : meta;
    const auto &shorter = printed.size() >= meta.size() ? meta : printed;
    return longer.find(shorter) != std::u32string::npos &&
           static_cast<double>(shorter.size()) >=
               tuning::kMetadataContainedShare * static_cast<double>(longer.size()) &&
           shorter.size() >= tuning::kMetadataContainedLetters;
}

bool inPageMargin(const Context &c)
{
    return inMargin(c.segment, c.page.height) && !c.page.cropped;
}

// A journal's name stands next to its volume and issue.
bool nextToJournalData(const Context &c)
{
    const std::vector<Segment> &all = c.page.segments;
    const Segment &s = c.segment;
    const double reach = tuning::kJournalDataReach * s.size;
    for (std::size_t j = c.index > 0 ? c.index - 1 : 0; j < std::min(all.size(), c.index + 3); ++j) {
        const Segment &o = all[j];
        if (j != c.index && o.rejected == Rejection::JournalData && o.yMin < s.yMax + reach &&
            o.yMax > s.yMin - reach) {
            return true;
        }
    }
    return false;
}

bool agreesWithMetadata(const Context &c)
{
    if (c.evidenceAgainst) {
        return false;
    }
    const std::u32string folded = foldForMatch(c.segment.text);
    return std::any_of(c.facts.foldedTitles.begin(), c.facts.foldedTitles.end(),
                       [&folded](const std::u32string &m) { return agreesWith(folded, m); });
}

// The signals, in the order they are weighed: the page's evidence against
// a segment comes before the metadata, which only backs up a segment
// nothing speaks against. Each names the generated layouts that fail
// without it.
using Kind = Signal::Kind;
const Signal kSignals[] = {
    // seriesName
    {"bold type", tuning::kBoldFactor, Kind::Layout, [](const Context &c) { return c.segment.bold; }},
    // sectionHeading, outline
    {"after", tuning::kAfterBoundaryFactor, Kind::Against, [](const Context &c) { return c.page.after(c.segment); },
     true},
    // marginHeader
    {"in the page margin", tuning::kMarginFactor, Kind::Layout, inPageMargin},
    // publisherAtTheFoot
    {"low on the page", tuning::kLowFactor, Kind::Layout,
     [](const Context &c) { return !inPageMargin(c) && c.segment.yMin > tuning::kLowFrom * c.page.height; }},
    // masthead, doiMasthead
    {"next to journal or issue data", tuning::kNextToJournalDataFactor, Kind::Against, nextToJournalData},
    // xmpTie, acronym
    {"agrees with the metadata title", tuning::kMetadataFactor, Kind::Metadata, agreesWithMetadata},
};

// The note a signal leaves: its name, and for the boundary what the
// boundary is ("after the abstract").
std::string note(const Signal &signal, const PageAnalysis &page)
{
    return signal.namesBoundary ? std::string(signal.name) + " " + page.boundaryWhat : signal.name;
}

}  // namespace

void score(PageAnalysis &a, const DocumentFacts &facts)
{
    for (std::size_t i = 0; i < a.segments.size(); ++i) {
        Segment &s = a.segments[i];
        if (!s.viable()) {
            continue;
        }
        s.score = s.size / a.bodySize;
        Context context{a, s, i, facts, false};
        for (const Signal &signal : kSignals) {
            if (!signal.holds(context)) {
                continue;
            }
            s.score *= signal.factor;
            s.notes.push_back(note(signal, a));
            context.evidenceAgainst = context.evidenceAgainst || signal.kind == Kind::Against;
            s.metadataAgrees = s.metadataAgrees || signal.kind == Kind::Metadata;
        }
    }
}

}  // namespace tidemark::refined
