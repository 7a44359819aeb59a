#include "title/refined/Rejections.h"

#include <algorithm>
#include <cmath>

#include "title/refined/Text.h"
#include "title/refined/Tuning.h"
#include "title/refined/Vocabulary.h"

namespace tidemark::refined {

const char *describe(Rejection r)
{
    switch (r) {
    case Rejection::None: return "";
    case Rejection::Turned: return "turned against the text of the page";
    case Rejection::NoWords: return "no words";
    case Rejection::ContentsEntry: return "an entry of a list of contents";
    case Rejection::ContentsHeading: return "heading of a list of contents";
    case Rejection::Abstract: return "the abstract";
    case Rejection::Address: return "an address";
    case Rejection::JournalData: return "journal or issue data";
    case Rejection::DocumentKind: return "the kind of document";
    case Rejection::FieldLabel: return "the label of a field";
    case Rejection::PaperNumber: return "the number of a paper or report";
    case Rejection::VersionLine: return "a version line";
    case Rejection::Date: return "a date";
    case Rejection::TooLong: return "too long for a title";
    case Rejection::SmallerThanText: return "smaller than the running text";
    case Rejection::RunningText: return "running text";
    }
    return "";
}

namespace {

bool everyLine(const Segment &s, bool (*test)(const std::vector<std::u32string> &))
{
    return std::all_of(s.lines.begin(), s.lines.end(), [test](const Line &l) { return test(splitWords(l.text())); });
}

// A form's label ("Title:", "题目："): a word or two that end in a colon,
// with the field's value beside them on the same line.
bool isFieldLabel(const PageAnalysis &a, std::size_t i)
{
    const Segment &s = a.segments[i];
    if (s.lines.size() != 1 || s.text.empty() || (s.text.back() != U':' && s.text.back() != 0xFF1A) ||
        splitWords(s.text).size() > 2) {
        return false;
    }
    return std::any_of(a.segments.begin(), a.segments.end(), [&s](const Segment &o) {
        return &o != &s && o.rotation == s.rotation && o.xMin >= s.xMax &&
               std::abs(o.lines.front().baseline - s.lines.front().baseline) <= tuning::kFieldLabelBaseline * s.size;
    });
}

// What a rule looks at: the segment, its words, its text folded for
// matching, the word that opens it (up to the first mark, lower-cased) and
// whether a mark follows that word ("Abstract—We").
struct Context {
    PageAnalysis &page;
    std::size_t index;
    const Contents &contents;
    int rotation;
    const Segment &segment;
    std::vector<std::u32string> words;
    std::u32string folded;
    std::u32string first;
    bool marked = false;
    std::size_t letters = 0;
};

// One reason to reject a segment, and what the page learns when it holds
// (where the abstract or a list of contents begins). The first rule that
// holds gives the segment its reason.
struct Rule {
    Rejection reason;
    bool (*holds)(const Context &c);
    void (*then)(PageAnalysis &page, const Segment &s) = nullptr;
};

void listOfContents(PageAnalysis &page, const Segment &)
{
    page.hasContents = true;
}

void contentsBegin(PageAnalysis &page, const Segment &s)
{
    page.hasContents = true;
    if (s.yMin < page.boundary) {
        page.setBoundary(s, "the list of contents");
    }
}

void abstractBegins(PageAnalysis &page, const Segment &s)
{
    page.hasAbstract = true;
    if (s.yMin < page.boundary) {
        page.setBoundary(s, "the abstract");
    }
}

// The rules in the order they are tried. Each names the generated layouts
// that fail without it ("none yet" where another rule or the scoring
// covers for it in every layout).
const Rule kRules[] = {
    // turnedText
    {Rejection::Turned, [](const Context &c) { return c.segment.rotation != c.rotation; }},
    // dropCap
    {Rejection::NoWords, [](const Context &c) { return c.letters < 2; }},
    // none yet
    {Rejection::ContentsEntry, [](const Context &c) { return c.contents.listed && c.contents.row[c.index]; },
     listOfContents},
    // contents (and spanishContents for the heading's words)
    {Rejection::ContentsHeading,
     [](const Context &c) { return isContentsHeading(c.folded) || c.index == c.contents.heading; }, contentsBegin},
    // institutionCover
    {Rejection::Abstract,
     [](const Context &c) {
         const Segment &s = c.segment;
         return isAbstractWord(c.first) &&
                (c.words.size() <= 2 || c.marked ||
                 (s.size <= tuning::kAbstractParagraphSize * c.page.bodySize && s.lines.size() >= 2));
     },
     abstractBegins},
    // webAddress
    {Rejection::Address, [](const Context &c) { return looksLikeContact(c.segment.text); }},
    // masthead, doiMasthead (and volumeWordInTitle, issueWordInTitle for what
    // is no journal data)
    {Rejection::JournalData, [](const Context &c) { return looksBibliographic(c.words); }},
    // documentKind, documentKindCjk
    {Rejection::DocumentKind, [](const Context &c) { return namesDocumentKind(c.words); }},
    // fieldLabels
    {Rejection::FieldLabel, [](const Context &c) { return isFieldLabel(c.page, c.index); }},
    // paperNumber, capitalsAndThreeDigits (and capitalsAndDigit,
    // capitalsAndTwoDigits for what is no paper's number)
    {Rejection::PaperNumber, [](const Context &c) { return looksLikeIdentifier(c.words); }},
    // version, versionInTitleType
    {Rejection::VersionLine, [](const Context &c) { return everyLine(c.segment, looksLikeVersion); }},
    // largeDate
    {Rejection::Date, [](const Context &c) { return everyLine(c.segment, looksLikeDate); }},
    // endlessLine, largeLead
    {Rejection::TooLong,
     [](const Context &c) {
         return c.words.size() > tuning::kTitleMaxWords || c.segment.lines.size() > tuning::kTitleMaxLines ||
                c.segment.text.size() > tuning::kTitleMaxCharacters;
     }},
    // none yet
    {Rejection::SmallerThanText,
     [](const Context &c) { return c.segment.size < tuning::kSmallerThanText * c.page.bodySize; }},
    // textOnlyFirstPage
    {Rejection::RunningText,
     [](const Context &c) {
         const Segment &s = c.segment;
         return s.size <= tuning::kTextSize * c.page.bodySize && !s.bold && s.lines.size() >= 3;
     }},
};

}  // namespace

void classify(PageAnalysis &a, const Contents &contents, int rotation)
{
    for (std::size_t i = 0; i < a.segments.size(); ++i) {
        Segment &s = a.segments[i];
        Context c{a, i, contents, rotation, s, splitWords(s.text), foldForMatch(s.text), {}};
        for (char32_t ch : s.text) {
            c.letters += isLetter(ch) ? 1 : 0;
        }
        if (!c.words.empty()) {
            const std::u32string &w = c.words.front();
            std::size_t k = 0;
            while (k < w.size() && isLetter(w[k])) {
                c.first += toLower(w[k++]);
            }
            c.marked = k < w.size();
        }
        for (const Rule &rule : kRules) {
            if (rule.holds(c)) {
                s.rejected = rule.reason;
                if (rule.then != nullptr) {
                    rule.then(a, s);
                }
                break;
            }
        }
    }
}

}  // namespace tidemark::refined
