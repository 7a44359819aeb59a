#include "title/refined/Rejections.h"

#include <algorithm>
#include <cmath>

#include "title/refined/Text.h"
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
               std::abs(o.lines.front().baseline - s.lines.front().baseline) <= 0.2 * s.size;
    });
}

}  // namespace

// Rejects what cannot be a title, and marks where the abstract or a list
// of contents begins.
void classify(PageAnalysis &a, const Contents &contents, int rotation)
{
    const double body = a.bodySize;
    for (std::size_t i = 0; i < a.segments.size(); ++i) {
        Segment &s = a.segments[i];
        const std::vector<std::u32string> words = splitWords(s.text);
        const std::u32string folded = foldForMatch(s.text);
        std::size_t letterCount = 0;
        for (char32_t c : s.text) {
            letterCount += isLetter(c) ? 1 : 0;
        }
        // The word that opens the text, up to the first mark: "Abstract—We"
        // opens with "abstract", followed by a mark.
        std::u32string first;
        bool marked = false;
        if (!words.empty()) {
            const std::u32string &w = words.front();
            std::size_t k = 0;
            while (k < w.size() && isLetter(w[k])) {
                first += toLower(w[k++]);
            }
            marked = k < w.size();
        }

        if (s.rotation != rotation) {
            s.rejected = Rejection::Turned;
        } else if (letterCount < 2) {
            s.rejected = Rejection::NoWords;
        } else if (contents.listed && contents.row[i]) {
            s.rejected = Rejection::ContentsEntry;
            a.hasContents = true;
        } else if (isContentsHeading(folded) || i == contents.heading) {
            s.rejected = Rejection::ContentsHeading;
            a.hasContents = true;
            if (s.yMin < a.boundary) {
                a.setBoundary(s, "the list of contents");
            }
        } else if (isAbstractWord(first) &&
                   (words.size() <= 2 || marked || (s.size <= 1.25 * body && s.lines.size() >= 2))) {
            s.rejected = Rejection::Abstract;
            a.hasAbstract = true;
            if (s.yMin < a.boundary) {
                a.setBoundary(s, "the abstract");
            }
        } else if (looksLikeContact(s.text)) {
            s.rejected = Rejection::Address;
        } else if (looksBibliographic(words)) {
            s.rejected = Rejection::JournalData;
        } else if (namesDocumentKind(words)) {
            s.rejected = Rejection::DocumentKind;
        } else if (isFieldLabel(a, i)) {
            s.rejected = Rejection::FieldLabel;
        } else if (looksLikeIdentifier(words)) {
            s.rejected = Rejection::PaperNumber;
        } else if (everyLine(s, looksLikeVersion)) {
            s.rejected = Rejection::VersionLine;
        } else if (everyLine(s, looksLikeDate)) {
            s.rejected = Rejection::Date;
        } else if (words.size() > 40 || s.lines.size() > 6 || s.text.size() > 500) {
            s.rejected = Rejection::TooLong;
        } else if (s.size < 0.97 * body) {
            s.rejected = Rejection::SmallerThanText;
        } else if (s.size <= 1.03 * body && !s.bold && s.lines.size() >= 3) {
            s.rejected = Rejection::RunningText;
        }
    }

}

}  // namespace tidemark::refined
