#include "title/refined/Scoring.h"

#include <algorithm>
#include <string>

#include "title/refined/Text.h"
#include "title/refined/Tuning.h"
#include "title/refined/Vocabulary.h"

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

bool inDisplayType(const Context &c, const Segment &o)
{
    return o.size >= tuning::kDisplaySize * c.page.bodySize;
}

// Another block of the title area, set apart from the segment (more than
// a subtitle's gap between them), that could be the title.
bool standsApartInTitleArea(const Context &c, const Segment &o)
{
    const Segment &s = c.segment;
    const double gap = std::max(o.yMin - s.yMax, s.yMin - o.yMax);
    return &o != &s && o.viable() && o.rotation == s.rotation && !c.page.after(o) &&
           !inMargin(o, c.page.height) && inDisplayType(c, o) &&
           gap > tuning::kSubtitleGap * std::max(s.size, o.size);
}

// A department's, an institution's or a series' banner over the title:
// it names one, and a block of display type that is no byline stands
// apart under it.
bool bannerOverTitle(const Context &c)
{
    const std::vector<std::u32string> words = splitWords(c.segment.text);
    if (!looksLikeAffiliation(words) && !namesSeries(words)) {
        return false;
    }
    return std::any_of(c.page.segments.begin(), c.page.segments.end(), [&c](const Segment &o) {
        return o.yMin >= c.segment.yMax && !o.byline && standsApartInTitleArea(c, o);
    });
}

// A person's name, not a title in capitals that reads as one: a line of
// names with an initial in it ("Fiona A. Green"), or right over an
// affiliation, an address or a date.
bool namesAPerson(const Context &c)
{
    const Segment &s = c.segment;
    if (!looksLikeNames(s.text) || s.phrase) {
        return false;
    }
    const std::vector<std::u32string> words = splitWords(s.text);
    const bool initial = std::any_of(words.begin(), words.end(), [](const std::u32string &w) {
        return w.size() == 2 && isUpper(w[0]) && w[1] == U'.';
    });
    if (initial) {
        return true;
    }
    const std::vector<Segment> &all = c.page.segments;
    if (c.index + 1 >= all.size()) {
        return false;
    }
    const Segment &next = all[c.index + 1];
    const bool byline = next.byline && !looksLikeNames(next.text);
    return (byline || next.rejected == Rejection::Date || next.rejected == Rejection::Address) &&
           next.yMin - s.yMax <= tuning::kSubtitleGap * s.size;
}

// An author's name or a release set larger than a modest title: one line
// that names a person or a release, while a clearer title (a phrase, or
// bold where the line is not) of display type stands apart from it in the
// upper part of the page, not much smaller.
bool namesOrReleaseBesideClearerTitle(const Context &c)
{
    const Segment &s = c.segment;
    if (s.lines.size() != 1 || !(namesAPerson(c) || namesRelease(splitWords(s.text)))) {
        return false;
    }
    return std::any_of(c.page.segments.begin(), c.page.segments.end(), [&c, &s](const Segment &o) {
        return !o.byline && (o.phrase || (o.bold && !s.bold)) && o.size >= tuning::kModestTitle * s.size &&
               o.yMin < tuning::kLowFrom * c.page.height && standsApartInTitleArea(c, o);
    });
}

// A logo or a name in large type that a fuller title on the page spells
// out again: a short line whose letters stand in another block of the
// title area that reads as a phrase, not much smaller. A logo drawn in
// part (its first letter a picture) still stands in the title's letters.
bool repeatsFullerTitle(const Context &c)
{
    const Segment &s = c.segment;
    const std::u32string folded = foldForMatch(s.text);
    if (s.lines.size() != 1 || s.words() > tuning::kNameWords || folded.size() < tuning::kRepeatedNameLetters) {
        return false;
    }
    return std::any_of(c.page.segments.begin(), c.page.segments.end(), [&c, &s, &folded](const Segment &o) {
        return o.phrase && !o.byline && o.words() > s.words() && o.size >= tuning::kModestTitle * s.size &&
               o.yMin < tuning::kLowFrom * c.page.height && standsApartInTitleArea(c, o) &&
               foldForMatch(o.text).find(folded) != std::u32string::npos;
    });
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
    // departmentBanner, seriesBanner (and institutionTitleWithSubtitle for
    // what is no banner)
    {"a banner over the title", tuning::kBannerFactor, Kind::Layout, bannerOverTitle},
    // authorOverTitle, editionOverTitle (and namesLikeTitleOverDescription
    // for a title whose words read as names)
    {"names or a release beside a clearer title", tuning::kBesideClearerTitleFactor, Kind::Layout,
     namesOrReleaseBesideClearerTitle},
    // logoUnderTitle (and namesLikeTitleOverDescription for a short title
    // that the block under it does not spell out)
    {"spelt out in a fuller title", tuning::kRepeatedNameFactor, Kind::Layout, repeatsFullerTitle},
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
