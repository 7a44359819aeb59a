#include "title/refined/RefinedTitle.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>

#include <Error.h>
#include <PDFDoc.h>

#include "title/Deadline.h"
#include "title/OpenDocument.h"
#include "title/refined/Authors.h"
#include "title/refined/DocumentFacts.h"
#include "title/refined/Layout.h"
#include "title/refined/PageAnalysis.h"
#include "title/refined/Text.h"
#include "title/refined/Tuning.h"
#include "title/refined/Vocabulary.h"

namespace tidemark {

namespace {

using namespace refined;

std::string points(double size)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f pt", size);
    return buf;
}

struct Choice {
    const PageAnalysis *page = nullptr;
    std::size_t index = 0;
    std::string why{};  // why it won over the best of another page, if it did
};

std::optional<Choice> bestOf(const PageAnalysis &a)
{
    const Segment *b = a.best();
    if (b == nullptr) {
        return std::nullopt;
    }
    return Choice{&a, static_cast<std::size_t>(b - a.segments.data())};
}

bool appearsOn(const Segment &s, const PageAnalysis &page)
{
    const std::u32string folded = foldForMatch(s.text);
    for (const Segment &o : page.segments) {
        if (o.viable() && similarAtLeast(folded, foldForMatch(o.text), tuning::kSameTextSimilarity)) {
            return true;
        }
    }
    return false;
}

// The title among the best blocks of the pages read. A later page wins
// only over a first page that holds no title of its own (a cover, or
// nothing above the running text's size), and only with a block that
// stands as a paper's title does: above the abstract or the first section.
Choice choose(const std::vector<PageAnalysis> &pages)
{
    std::optional<Choice> chosen;
    for (const PageAnalysis &page : pages) {
        const std::optional<Choice> c = bestOf(page);
        if (!c) {
            continue;
        }
        if (!chosen) {
            chosen = c;
            continue;
        }
        const Segment &held = chosen->page->segments[chosen->index];
        const Segment &other = c->page->segments[c->index];
        if (held.metadataAgrees != other.metadataAgrees) {
            const std::string why = "the title on page " +
                                    std::to_string((other.metadataAgrees ? c : chosen)->page->number) +
                                    " agrees with the metadata";
            if (other.metadataAgrees) {
                chosen = c;
            }
            chosen->why = why;
            continue;
        }
        const PageAnalysis &first = *chosen->page;
        const bool cover = !first.hasBody && !first.hasAbstract && !first.hasContents;
        if ((cover || held.score < tuning::kClearTitleScore) && !page.boundaryWhat.empty() && page.before(other) &&
            other.score >= tuning::kLaterPageTitleScore && !appearsOn(other, first)) {
            chosen = c;
            chosen->why = "the paper begins on page " + std::to_string(page.number) + ", its title above " +
                          page.boundaryWhat;
        } else if (chosen->why.empty()) {
            chosen->why = "page " + std::to_string(first.number) + " holds the title";
        }
    }
    return chosen.value_or(Choice{});
}

std::u32string joined(const PageAnalysis &page, const std::vector<std::size_t> &parts)
{
    std::u32string text;
    for (std::size_t i : parts) {
        if (!text.empty()) {
            text += U' ';
        }
        text += page.segments[i].text;
    }
    return text;
}

// A short name alone (a package's, a product's, one line of a few words)
// is no whole title, nor is a manual's kind alone ("User Guide"): the block
// of display type that stands with it in the title area belongs to it.
bool isShortName(const Segment &s)
{
    return s.lines.size() == 1 && s.words() <= tuning::kNameWords;
}

bool standsWith(const PageAnalysis &page, const Segment &upper, const Segment &lower)
{
    const double gap = lower.yMin - upper.yMax;
    return lower.viable() && upper.viable() && !page.after(lower) && gap > -1 &&
           gap <= tuning::kTitleBlockGap * std::max(upper.size, lower.size) &&
           std::min(upper.size, lower.size) >= tuning::kDisplaySize * page.bodySize;
}

// The segment next to `i` in reading order, up or down, of its rotation.
std::optional<std::size_t> neighbour(const PageAnalysis &page, std::size_t i, bool down)
{
    for (std::size_t j = i; down ? ++j < page.segments.size() : j-- > 0;) {
        if (page.segments[j].rotation == page.segments[i].rotation) {
            return j;
        }
    }
    return std::nullopt;
}

// A description is in smaller type than the name over it, and reads as a
// phrase, not as a line of names.
bool describes(const Segment &description, const Segment &name)
{
    return description.size < name.size && description.phrase && !description.byline;
}

// Under a short name: its description, or the manual's kind.
std::optional<std::size_t> partUnderName(const PageAnalysis &page, std::size_t title)
{
    const Segment &head = page.segments[title];
    const std::optional<std::size_t> j = neighbour(page, title, true);
    if (!isShortName(head) || !j) {
        return std::nullopt;
    }
    const Segment &s = page.segments[*j];
    if (!standsWith(page, head, s) || !(describes(s, head) || namesManualKind(splitWords(s.text)))) {
        return std::nullopt;
    }
    return j;
}

// Over a manual's kind: the short name it goes with. Over a description:
// its short name right over it, within a subtitle's gap (which scored
// lower, in the band of running heads at the top of the page, say); a word
// in large type further up (a "PREPRINT" in that band) is none.
std::optional<std::size_t> nameOver(const PageAnalysis &page, std::size_t title)
{
    const Segment &head = page.segments[title];
    const std::optional<std::size_t> j = neighbour(page, title, false);
    if (!j || !isShortName(page.segments[*j]) || !standsWith(page, page.segments[*j], head)) {
        return std::nullopt;
    }
    const Segment &name = page.segments[*j];
    const bool close = head.yMin - name.yMax <= tuning::kSubtitleGap * name.size;
    if (namesManualKind(splitWords(head.text)) || (close && describes(head, name))) {
        return j;
    }
    return std::nullopt;
}

// The segments that make the title, in order: the chosen one, more of the
// same size right below it (but not regular type under a bold title), then one subtitle in smaller type that reads as
// a phrase, not as a line of names. When the metadata title agrees, it
// settles how much of this (and of a larger line right above) belongs to
// the title.
std::vector<std::size_t> titleParts(const PageAnalysis &page, std::size_t title,
                                     const std::vector<std::u32string> &meta)
{
    std::vector<std::size_t> parts{title};
    const Segment &head = page.segments[title];
    double bottom = head.yMax;
    for (std::size_t j = title + 1; j < page.segments.size(); ++j) {
        const Segment &s = page.segments[j];
        if (s.rotation != head.rotation) {
            continue;
        }
        const double gap = s.yMin - bottom;
        if (!s.viable() || gap < -1 || page.after(s) || readsAsRunningText(s)) {
            break;
        }
        if (similarSize(s.size, head.size, tuning::kTitleSizeTolerance) && gap <= tuning::kTitleLineGap * head.size && (s.bold || !head.bold)) {
            parts.push_back(j);
            bottom = s.yMax;
            continue;
        }
        if (s.size < head.size && gap <= tuning::kSubtitleGap * head.size &&
            (s.size >= tuning::kSubtitleSize * page.bodySize || s.bold) &&
            (endsIncomplete(page.segments[parts.back()].text) || (s.phrase && !s.byline))) {
            parts.push_back(j);
        }
        break;
    }
    if (parts.size() == 1) {
        if (const std::optional<std::size_t> under = partUnderName(page, title)) {
            parts.push_back(*under);
        }
    }
    std::optional<std::size_t> above = nameOver(page, title);
    if (!head.metadataAgrees) {
        if (above) {
            parts.insert(parts.begin(), *above);
        }
        return parts;
    }
    // The line right above, when it is at least as large and close.
    for (std::size_t j = title; j-- > 0 && !above;) {
        const Segment &s = page.segments[j];
        if (s.rotation != head.rotation) {
            continue;
        }
        if (s.viable() && s.size >= (1 - tuning::kTitleSizeTolerance) * head.size &&
            head.yMin - s.yMax <= tuning::kTitleLineGap * s.size &&
            head.yMin - s.yMax > -1) {
            above = j;
        }
        break;
    }
    // A short name's description stays, though the metadata names the
    // name alone.
    std::vector<std::size_t> best{title};
    const std::optional<std::size_t> description = partUnderName(page, title);
    double bestScore = -1;
    for (int withAbove = 0; withAbove <= (above ? 1 : 0); ++withAbove) {
        for (std::size_t n = 1; n <= parts.size(); ++n) {
            std::vector<std::size_t> trial;
            if (withAbove) {
                trial.push_back(*above);
            }
            trial.insert(trial.end(), parts.begin(), parts.begin() + static_cast<std::ptrdiff_t>(n));
            const std::u32string folded = foldForMatch(joined(page, trial));
            for (const std::u32string &m : meta) {
                const double score = similarity(folded, m);
                if (score > bestScore + tuning::kMetadataTrialMargin) {
                    bestScore = score;
                    best = trial;
                }
            }
        }
    }
    if (description && best.back() == title) {
        best.push_back(*description);
    }
    return best;
}

std::u32string finish(std::u32string text)
{
    text = normalizeTitle(text);
    if (!text.empty() && text.back() == U'.') {
        text.pop_back();
    }
    return normalizeTitle(text);
}

void explain(RefinedExtraction &out, const PageAnalysis &page, const Choice &choice,
             const std::vector<std::size_t> &taken)
{
    out.facts.push_back("page " + std::to_string(page.number) + ": running text " +
                        points(page.bodySize) + (page.hasBody ? "" : " (no paragraphs: a cover?)") +
                        (page.boundaryWhat.empty() ? "" : "; the title stands above " + page.boundaryWhat));
    for (std::size_t i = 0; i < page.segments.size(); ++i) {
        const Segment &s = page.segments[i];
        const bool chosen = choice.page == &page && std::find(taken.begin(), taken.end(), i) != taken.end();
        if (!chosen && (s.rejected == Rejection::SmallerThanText || s.rejected == Rejection::RunningText ||
                        s.rejected == Rejection::NoWords || s.size <= tuning::kTextSize * page.bodySize)) {
            ++out.notShown;
            continue;
        }
        RefinedCandidate c;
        c.page = page.number;
        c.size = s.size;
        c.top = s.yMin;
        c.score = s.viable() ? s.score : 0;
        c.text = toUtf8(s.text);
        if (choice.page == &page && choice.index == i) {
            c.verdict = "title";
        } else if (chosen) {
            c.verdict = "part of the title";
        } else if (!s.viable()) {
            c.verdict = std::string("rejected: ") + describe(s.rejected);
        } else if (choice.page != &page && page.best() == &s) {
            c.verdict = "passed over: " + choice.why;
        } else {
            c.verdict = "passed over";
        }
        for (const std::string &n : s.notes) {
            c.verdict += "; " + n;
        }
        out.candidates.push_back(std::move(c));
    }
}

}  // namespace

RefinedExtraction extractRefinedTitle(const std::string &path, const ExtractionOptions &options)
{
    RefinedExtraction out;
    PdfLibrary library;
    const PdfFile file(path);
    PDFDoc &doc = file.document();
    if (!doc.isOk()) {
        return out;  // the library has said why
    }
    if (!doc.okToCopy()) {
        error(errInternal, -1, "Copying of text from this document is not allowed.");
        return out;
    }
    Deadline deadline(options.timeLimit);
    const DocumentFacts facts = readDocumentFacts(doc);
    for (const std::u32string &m : facts.metadataTitles) {
        out.facts.push_back("metadata title: " + toUtf8(m));
    }

    std::vector<PageAnalysis> pages;
    pages.reserve(3);
    PageReader reader(doc);
    const int last = std::min(doc.getNumPages(), 3);
    for (int number = 1; number <= last; ++number) {
        pages.push_back(analysePage(reader.read(number, &Deadline::abortCheck, &deadline), facts));
        ++out.pagesRead;
        if (deadline.check()) {
            out.timedOut = true;
            error(errInternal, -1, "Gave up on '{0:s}': its pages take too long to lay out", path.c_str());
            return out;
        }
        // Read on only while the first page holds no clear title (one in
        // larger type than the running text, or one above the abstract or
        // the first section), or is a cover whose paper may begin on the
        // next page.
        const PageAnalysis &first = pages.front();
        const Segment *best = first.best();
        const bool cover = !first.hasBody && !first.hasAbstract && !first.hasContents;
        if (number == 1 && best != nullptr && !cover &&
            (best->score >= tuning::kClearTitleScore || (!first.boundaryWhat.empty() && first.before(*best)))) {
            break;
        }
        if (number >= 2 && choose(pages).page != nullptr) {
            break;
        }
    }

    const Choice choice = choose(pages);
    std::vector<std::size_t> taken;
    if (choice.page != nullptr) {
        taken = titleParts(*choice.page, choice.index, facts.foldedTitles);
        out.title = toUtf8(finish(joined(*choice.page, taken)));
    }
    // The choice compares texts: the budget holds for it too.
    if (deadline.check()) {
        out.timedOut = true;
        out.title.clear();
        error(errInternal, -1, "Gave up on '{0:s}': its pages take too long to lay out", path.c_str());
        return out;
    }
    for (const PageAnalysis &page : pages) {
        explain(out, page, choice, taken);
    }
    if (choice.page != nullptr) {
        readAuthorsAndYear(doc, facts.xmp, pages, *choice.page, taken, out);
    }
    return out;
}

}  // namespace tidemark
