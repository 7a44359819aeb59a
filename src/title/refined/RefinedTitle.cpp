#include "title/refined/RefinedTitle.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>

#include <Error.h>
#include <PDFDoc.h>

#include "title/OpenDocument.h"
#include "title/refined/DocumentFacts.h"
#include "title/refined/Layout.h"
#include "title/refined/PageAnalysis.h"
#include "title/refined/Text.h"

namespace tidemark {

namespace {

using namespace refined;

struct Deadline {
    std::chrono::steady_clock::time_point at;
    bool active = false;
    bool passed = false;

    bool check()
    {
        if (active && !passed && std::chrono::steady_clock::now() >= at) {
            passed = true;
        }
        return passed;
    }
};

bool abortCheck(void *data)
{
    return static_cast<Deadline *>(data)->check();
}

std::string format(const char *fmt, double a, double b = 0)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, fmt, a, b);
    return buf;
}

bool endsWithColon(const std::u32string &text)
{
    return !text.empty() && (text.back() == U':' || text.back() == 0xFF1A);
}

std::vector<std::u32string> words(const std::u32string &text)
{
    std::vector<std::u32string> out(1);
    for (char32_t c : text) {
        if (isSpace(c)) {
            if (!out.back().empty()) {
                out.emplace_back();
            }
        } else {
            out.back() += c;
        }
    }
    if (out.back().empty()) {
        out.pop_back();
    }
    return out;
}

bool isJoiner(const std::u32string &w)
{
    static const std::u32string joiners[] = {U"and", U"und", U"et", U"y", U"e", U"by", U"von", U"van", U"de",
                                             U"der", U"den", U"da", U"di", U"du", U"la", U"le", U"del", U"with"};
    return std::find(std::begin(joiners), std::end(joiners), w) != std::end(joiners);
}

// A subtitle reads as a phrase: it has small words other than those that
// join names ("An R Package for ...", "when we want to ..."). A line of
// capitalised words and initials is a line of authors.
bool readsAsPhrase(const std::u32string &text)
{
    for (const std::u32string &w : words(text)) {
        if (!w.empty() && isLower(w[0]) && !isJoiner(w)) {
            return true;
        }
    }
    return false;
}

struct Choice {
    const PageAnalysis *page = nullptr;
    std::size_t index = 0;
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
        if (o.rejected.empty() && similarity(folded, foldForMatch(o.text)) >= 0.85) {
            return true;
        }
    }
    return false;
}

// Between the best of page 1 and that of a later page.
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
            if (other.metadataAgrees) {
                chosen = c;
            }
            continue;
        }
        // A cover page: the paper itself, with its abstract or its text,
        // begins on the next page.
        const bool cover = !chosen->page->hasBody && !chosen->page->hasAbstract && !chosen->page->hasContents;
        if (cover && (page.hasAbstract || page.hasBody) && !appearsOn(other, *chosen->page) &&
            other.score >= 1.2) {
            chosen = c;
        } else if (held.score < 1.15 && other.score > held.score) {
            chosen = c;
        }
    }
    return chosen.value_or(Choice{});
}

// A line of names ("Ann Smith, Bo Li and Carl Ek"): up to its first comma,
// capitalised words and initials, with only the small words that join
// names.
bool looksLikeNames(const std::u32string &text)
{
    std::size_t capitalised = 0;
    for (const std::u32string &w : words(text.substr(0, text.find_first_of(U",;")))) {
        std::u32string l;
        for (char32_t c : w) {
            if (isLetter(c)) {
                l += toLower(c);
            }
        }
        if (l.empty()) {
            continue;
        }
        const char32_t first = *std::find_if(w.begin(), w.end(), isLetter);
        if (isLower(first) && !isJoiner(l)) {
            return false;
        }
        capitalised += isUpper(first) ? 1 : 0;
    }
    return capitalised >= 2;
}

std::u32string firstLine(const Segment &s)
{
    return s.lines.front().text();
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

// The segments that make the title, in order: the chosen one, more of the
// same size right below it, then one subtitle in smaller type that reads as
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
        if (!s.rejected.empty() || gap < -1 || s.yMin >= page.boundary) {
            break;
        }
        const bool sameSize = std::min(s.size, head.size) >= 0.93 * std::max(s.size, head.size);
        if (sameSize && gap <= 1.6 * head.size) {
            parts.push_back(j);
            bottom = s.yMax;
            continue;
        }
        const std::u32string line = firstLine(s);
        const bool phrase = readsAsPhrase(line) || (!line.empty() && isLower(line[0]));
        if (s.size < head.size && gap <= 1.2 * head.size && (s.size >= 1.05 * page.bodySize || s.bold) &&
            !looksLikeNames(line) && (phrase || endsWithColon(page.segments[parts.back()].text))) {
            parts.push_back(j);
        }
        break;
    }
    if (!head.metadataAgrees) {
        return parts;
    }
    // The line right above, when it is at least as large and close.
    std::optional<std::size_t> above;
    for (std::size_t j = title; j-- > 0;) {
        const Segment &s = page.segments[j];
        if (s.rotation != head.rotation) {
            continue;
        }
        if (s.rejected.empty() && s.size >= 0.93 * head.size && head.yMin - s.yMax <= 1.6 * s.size &&
            head.yMin - s.yMax > -1) {
            above = j;
        }
        break;
    }
    std::vector<std::size_t> best{title};
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
                if (score > bestScore + 0.02) {
                    bestScore = score;
                    best = trial;
                }
            }
        }
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
                        format("%.1f pt", page.bodySize) + (page.hasBody ? "" : " (no paragraphs: a cover?)") +
                        (page.boundaryWhat.empty() ? "" : "; the title stands above " + page.boundaryWhat));
    for (std::size_t i = 0; i < page.segments.size(); ++i) {
        const Segment &s = page.segments[i];
        const bool chosen = choice.page == &page && std::find(taken.begin(), taken.end(), i) != taken.end();
        if (!chosen && (s.rejected == "smaller than the running text" || s.rejected == "running text" ||
                        s.rejected == "no words" || s.size <= 1.03 * page.bodySize)) {
            ++out.notShown;
            continue;
        }
        RefinedCandidate c;
        c.page = page.number;
        c.size = s.size;
        c.top = s.yMin;
        c.score = s.rejected.empty() ? s.score : 0;
        c.text = toUtf8(s.text);
        if (choice.page == &page && choice.index == i) {
            c.verdict = "title";
        } else if (chosen) {
            c.verdict = "part of the title";
        } else if (!s.rejected.empty()) {
            c.verdict = "rejected: " + s.rejected;
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
    const std::unique_ptr<PDFDoc> document = openDocument(path);
    PDFDoc &doc = *document;
    if (!doc.isOk()) {
        return out;  // the library has said why
    }
    if (!doc.okToCopy()) {
        error(errInternal, -1, "Copying of text from this document is not allowed.");
        return out;
    }
    Deadline deadline;
    if (options.timeLimit.count() > 0) {
        deadline.active = true;
        deadline.at = std::chrono::steady_clock::now() + options.timeLimit;
    }
    const DocumentFacts facts = readDocumentFacts(doc);
    for (const std::u32string &m : facts.metadataTitles) {
        out.facts.push_back("metadata title: " + toUtf8(m));
    }

    std::vector<PageAnalysis> pages;
    pages.reserve(3);
    PageReader reader(doc);
    const int last = std::min(doc.getNumPages(), 3);
    for (int number = 1; number <= last; ++number) {
        pages.push_back(analysePage(reader.read(number, &abortCheck, &deadline), facts));
        ++out.pagesRead;
        if (deadline.check()) {
            out.timedOut = true;
            error(errInternal, -1, "Gave up on '{0:s}': its pages take too long to lay out", path.c_str());
            return out;
        }
        // Read on only while the first page holds no clear title, or is a
        // cover whose paper may begin on the next page.
        const PageAnalysis &first = pages.front();
        const Segment *best = first.best();
        const bool cover = !first.hasBody && !first.hasAbstract && !first.hasContents;
        if (number == 1 && best != nullptr && best->score >= 1.15 && !cover) {
            break;
        }
        if (number >= 2 && choose(pages).page != nullptr) {
            break;
        }
    }

    const Choice choice = choose(pages);
    std::vector<std::size_t> taken;
    if (choice.page != nullptr) {
        std::vector<std::u32string> meta;
        for (const std::u32string &m : facts.metadataTitles) {
            meta.push_back(foldForMatch(m));
        }
        taken = titleParts(*choice.page, choice.index, meta);
        out.title = toUtf8(finish(joined(*choice.page, taken)));
    }
    for (const PageAnalysis &page : pages) {
        explain(out, page, choice, taken);
    }
    return out;
}

}  // namespace tidemark
