#include "title/refined/Year.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <initializer_list>
#include <memory>
#include <string_view>

#include <PDFDoc.h>
#include <goo/GooString.h>

#include "title/refined/Authors.h"
#include "title/refined/Text.h"
#include "title/refined/Tuning.h"
#include "title/refined/Vocabulary.h"

namespace tidemark::refined {

namespace {

// A line of a paper's history ("Published online 2019") without a date
// has at most this many words.
constexpr std::size_t kHistoryWords = 8;

bool isOneOf(const std::u32string &word, std::initializer_list<std::u32string_view> list)
{
    return std::find(list.begin(), list.end(), word) != list.end();
}

bool digitsAt(std::u32string_view s, std::size_t at, std::size_t count)
{
    return at + count <= s.size() &&
           std::all_of(s.begin() + static_cast<std::ptrdiff_t>(at), s.begin() + static_cast<std::ptrdiff_t>(at + count),
                       [](char32_t c) { return c >= U'0' && c <= U'9'; });
}

int number(std::u32string_view s, std::size_t at, std::size_t count)
{
    int n = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        n = n * 10 + static_cast<int>(s[i] - U'0');
    }
    return n;
}

bool isDateSeparator(char32_t c)
{
    return c == U'-' || c == U'/' || c == U'.';
}

// A season stands for its months in an issue's or a report's date
// ("Spring 2008", "Winter 2010").
bool isSeason(const std::u32string &w)
{
    return isOneOf(w, {U"spring", U"summer", U"autumn", U"fall", U"winter"});
}

struct TokenYear {
    int year = 0;
    bool date = false;  // written as a whole date: "2019-05-03", "03/05/2019"
    bool parenthesised = false;
};

// The year one word of a line is: "2019", "(2019)", "©2019", "2019-05-03",
// "03.05.2019"; none for "1990-2001" (a range), "2019a", "12345".
TokenYear yearOfWord(std::u32string w, int latest)
{
    TokenYear t;
    while (!w.empty() && isOneOf(std::u32string(1, w.back()), {U")", U".", U",", U";", U":", U"]"})) {
        t.parenthesised = t.parenthesised || w.back() == U')';
        w.pop_back();
    }
    // "2020年", "2020년": the year of a date written in Chinese, Japanese
    // or Korean.
    if (w.size() > 4 && digitsAt(w, 0, 4) && (w[4] == U'年' || w[4] == U'년')) {
        w.resize(4);
        t.date = true;
    }
    std::size_t begin = 0;
    while (begin < w.size() && (w[begin] == U'(' || w[begin] == U'[' || w[begin] == U'©')) {
        t.parenthesised = t.parenthesised || w[begin] == U'(';
        ++begin;
    }
    w = w.substr(begin);
    int year = 0;
    if (w.size() == 4 && digitsAt(w, 0, 4)) {
        year = number(w, 0, 4);
    } else if (w.size() == 10 && digitsAt(w, 0, 4) && isDateSeparator(w[4]) && digitsAt(w, 5, 2) &&
               w[7] == w[4] && digitsAt(w, 8, 2) && number(w, 5, 2) >= 1 && number(w, 5, 2) <= 12) {
        year = number(w, 0, 4);
        t.date = true;
    } else if (w.size() >= 8 && w.size() <= 10 && digitsAt(w, w.size() - 4, 4) &&
               isDateSeparator(w[w.size() - 5])) {
        // "3.5.2019", "03/05/2019": day and month first, each one or two digits.
        const std::u32string head = w.substr(0, w.size() - 5);
        const std::size_t sep = head.find_first_of(U"-/.");
        if (sep != std::u32string::npos && head[sep] == w[w.size() - 5] && sep >= 1 && sep <= 2 &&
            head.size() - sep - 1 >= 1 && head.size() - sep - 1 <= 2 && digitsAt(head, 0, sep) &&
            digitsAt(head, sep + 1, head.size() - sep - 1)) {
            year = number(w, w.size() - 4, 4);
            t.date = true;
        }
    }
    if (year >= 1900 && year <= latest) {
        t.year = year;
    }
    return t;
}

bool isConferenceWord(const std::u32string &l)
{
    return isOneOf(l, {U"proceedings", U"proc", U"conference", U"symposium", U"workshop", U"congress", U"meeting",
                       U"summit", U"colloquium", U"tagung", U"konferenz", U"conférence", U"congrès", U"congreso",
                       U"conferencia", U"convegno"});
}

// An acronym that names a conference before its year: "ICCE 2018",
// "useR! 2010".
bool isConferenceName(const std::u32string &w)
{
    if (!w.empty() && w.back() == U'!') {
        return true;
    }
    std::size_t capitals = 0;
    for (char32_t c : w) {
        if (isUpper(c)) {
            ++capitals;
        } else if (!isLower(c)) {
            return false;
        }
    }
    return capitals >= 3;
}

const char *describe(YearSource s)
{
    switch (s) {
    case YearSource::Copyright: return "a copyright line";
    case YearSource::Published: return "a publication date";
    case YearSource::Journal: return "a journal's line";
    case YearSource::Conference: return "a conference's name";
    case YearSource::Date: return "a printed date";
    case YearSource::Accepted: return "the date of acceptance";
    case YearSource::Received: return "the date of receipt";
    case YearSource::Citation: return "a reference to the paper";
    case YearSource::Compiled: return "the date the file was made";
    case YearSource::Stamp: return "a repository's stamp";
    case YearSource::None: return "";
    }
    return "";
}

// A year's number in the name of an arXiv paper: "arXiv:1901.01234".
int arxivYear(const std::u32string &w, int latest)
{
    const std::size_t colon = w.find(U':');
    if (colon == std::u32string::npos || !digitsAt(w, colon + 1, 4) || colon + 5 >= w.size() || w[colon + 5] != U'.') {
        return 0;
    }
    const int month = number(w, colon + 3, 2);
    const int year = 2000 + number(w, colon + 1, 2);
    return month >= 1 && month <= 12 && year <= latest ? year : 0;
}

// Whether a line has four digits in a row: a year, a date, a repository's
// number.
bool mayHoldYear(const Line &line)
{
    for (const Word &w : line.words) {
        std::size_t run = 0;
        for (char32_t c : w.text) {
            run = c >= U'0' && c <= U'9' ? run + 1 : 0;
            if (run == 4) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

int latestYear()
{
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm parts{};
#ifdef _WIN32
    gmtime_s(&parts, &now);
#else
    gmtime_r(&now, &parts);
#endif
    return parts.tm_year + 1900 + 1;
}

LineYear yearOfLine(const std::u32string &line, bool inParagraph, int latest)
{
    // "2016;70(10):1-35": a journal's year, volume and pages run together.
    std::u32string spaced = line;
    std::replace(spaced.begin(), spaced.end(), U';', U' ');
    const std::vector<std::u32string> words = splitWords(spaced);
    bool copyright = line.find(U'©') != std::u32string::npos;
    bool published = false, accepted = false, received = false, conference = false, stamp = false;
    bool compiled = false;
    bool otherVersion = false;  // "An earlier version appeared in ..."

    int stampYear = 0;
    // Where the words of a paper's history stand: its year follows them
    // ("Received 3 May 2018; accepted 9 January 2019").
    std::size_t publishedAt = 0, acceptedAt = 0;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::u32string l = letters(words[i]);
        copyright = copyright || l == U"copyright" || words[i] == U"(c)" || words[i] == U"(C)";
        if (!published && isOneOf(l, {U"published", U"publication", U"online", U"veröffentlicht", U"publié",
                                      U"publicado", U"appeared"})) {
            published = true;
            publishedAt = i;
        }
        if (!accepted && (l == U"accepted" || l == U"angenommen" || l == U"accepté" || l == U"aceptado")) {
            accepted = true;
            acceptedAt = i;
        }
        received = received ||
                   isOneOf(l, {U"received", U"submitted", U"revised", U"eingegangen", U"reçu", U"recibido"});
        conference = conference || isConferenceWord(l);
        compiled = compiled || isOneOf(l, {U"compiled", U"generated", U"typeset", U"built", U"rendered", U"printed"});
        otherVersion = otherVersion || isOneOf(l, {U"appeared", U"earlier", U"previous", U"smaller", U"original"});
        if (l.starts_with(U"arxiv")) {
            stamp = true;
            stampYear = std::max(stampYear, arxivYear(words[i], latest));
        }
    }
    // The year: the first word that is one, next to what makes it a date.
    TokenYear found;
    std::size_t at = 0;
    const auto firstYear = [&](std::size_t from) {
        for (std::size_t i = from; i < words.size() && found.year == 0; ++i) {
            const std::u32string before = i > 0 ? letters(words[i - 1]) : U"";
            if (i + 1 < words.size() && (words[i + 1] == U"-" || words[i + 1] == U"–")) {
                continue;  // "1990 - 2001"
            }
            if (isOneOf(before, {U"vol", U"volume", U"no", U"issue", U"pp", U"p", U"pages", U"number", U"nr"})) {
                continue;
            }
            found = yearOfWord(words[i], latest);
            at = i;
        }
    };
    firstYear(copyright ? 0 : published ? publishedAt : accepted ? acceptedAt : 0);
    firstYear(0);
    if (found.year == 0) {
        return stamp && stampYear > 0 ? LineYear{stampYear, YearSource::Stamp} : LineYear{};
    }
    const auto monthNear = [&] {
        for (std::size_t k = at >= 2 ? at - 2 : 0; k < at; ++k) {
            const std::u32string l = letters(words[k]);
            if (isMonth(l) || isSeason(l)) {
                return true;
            }
        }
        return false;
    };
    const bool yearMark = at + 1 < words.size() && (words[at + 1] == U"年" || words[at + 1] == U"년");
    const bool dated = found.date || yearMark || monthNear() || words.size() == 1;
    // A paper's history is told in a short line or with its dates; prose
    // that tells when something else was published is none.
    const bool history = dated || (!inParagraph && words.size() <= kHistoryWords);
    LineYear out{found.year, YearSource::None};
    if (copyright) {
        out.source = YearSource::Copyright;
    } else if (stamp) {
        out.source = YearSource::Stamp;
    } else if (published && history) {
        out.source = YearSource::Published;
    } else if (accepted && history) {
        out.source = YearSource::Accepted;
    } else if (received && history) {
        out.source = YearSource::Received;
    } else if (inParagraph) {
        out.source = YearSource::None;
    } else if (looksBibliographic(words)) {
        // Where an earlier version appeared is a reference to that one.
        out.source = otherVersion ? YearSource::Citation : YearSource::Journal;
    } else if (conference || (at > 0 && isConferenceName(words[at - 1]) && words.size() <= kHistoryWords)) {
        out.source = YearSource::Conference;
    } else if (dated && words.size() <= 12) {
        out.source = compiled ? YearSource::Compiled : YearSource::Date;
    } else if (found.parenthesised) {
        out.source = YearSource::Citation;
    }
    if (out.source == YearSource::None) {
        out.year = 0;
    }
    return out;
}

YearFound findYear(const std::vector<PageAnalysis> &pages, const std::u32string &title,
                   const std::vector<int> &metaYears, int latest)
{
    // A reference names the paper's own year only when it names the paper.
    const std::u32string foldedTitle = foldForMatch(title);
    const std::u32string titleStart = foldedTitle.substr(0, 24);
    struct Candidate {
        LineYear y;
        int page;
        std::u32string text;
        bool agrees;
    };
    std::vector<Candidate> candidates;
    for (const PageAnalysis &page : pages) {
        for (const Segment &s : page.segments) {
            const bool paragraph = isRunningText(s, page);
            bool citesThePaper = false;
            bool asked = false;
            for (const Line &line : s.lines) {
                // Most lines hold no number of four digits: pass them by
                // before anything costs.
                if (!mayHoldYear(line)) {
                    continue;
                }
                const std::u32string text = line.text();
                // A year in the title belongs to what the paper is about.
                const std::u32string folded = foldForMatch(text);
                if (!folded.empty() && foldedTitle.find(folded) != std::u32string::npos) {
                    continue;
                }
                const LineYear y = yearOfLine(text, paragraph, latest);
                if (y.source == YearSource::Citation && !asked) {
                    asked = true;
                    citesThePaper =
                        !titleStart.empty() && foldForMatch(s.text).find(titleStart) != std::u32string::npos;
                }
                // A journal's or a conference's line among the running
                // text is a reference to other work; at the foot of the
                // page it is the paper's own note.
                const bool aside = (y.source == YearSource::Journal || y.source == YearSource::Conference) &&
                                   page.after(s) && s.yMin < tuning::kLowFrom * page.height;
                if (y.source != YearSource::None && !aside && (y.source != YearSource::Citation || citesThePaper)) {
                    const bool agrees = std::find(metaYears.begin(), metaYears.end(), y.year) != metaYears.end();
                    candidates.push_back({y, page.number, text, agrees});
                }
            }
        }
    }
    const Candidate *best = nullptr;
    for (const Candidate &c : candidates) {
        if (best == nullptr || c.y.source < best->y.source ||
            (c.y.source == best->y.source && c.agrees && !best->agrees)) {
            best = &c;
        }
    }
    YearFound found;
    if (best == nullptr) {
        return found;
    }
    found.year = best->y.year;
    std::u32string quoted = best->text.size() > 60 ? best->text.substr(0, 60) + U"..." : best->text;
    found.where = "page " + std::to_string(best->page) + ", " + describe(best->y.source) + ": \"" + toUtf8(quoted) +
                  "\"";
    if (!metaYears.empty()) {
        found.where += best->agrees ? "; the metadata agrees" : "; the metadata's dates differ";
    }
    return found;
}

std::vector<int> metadataYears(PDFDoc &doc, const std::string &xmp)
{
    std::vector<int> years;
    const auto add = [&years](const std::string &text, std::size_t from) {
        const std::u32string s = fromUtf8(text.substr(from, 4));
        if (digitsAt(s, 0, 4)) {
            const int year = number(s, 0, 4);
            if (std::find(years.begin(), years.end(), year) == years.end()) {
                years.push_back(year);
            }
        }
    };
    const auto addDate = [&add](const std::unique_ptr<GooString> &date) {
        if (date) {
            const std::string &d = date->toStr();
            add(d, d.rfind("D:", 0) == 0 ? 2 : 0);
        }
    };
    addDate(doc.getDocInfoCreatDate());
    addDate(doc.getDocInfoModDate());
    for (const std::string_view tag : {"<prism:publicationDate>", "<prism:coverDate>", "<dc:date>",
                                       "<xmp:CreateDate>", "<xmp:ModifyDate>"}) {
        const std::size_t at = xmp.find(tag);
        if (at == std::string::npos) {
            continue;
        }
        // The date, after any tags that hold it ("<rdf:Seq><rdf:li>").
        std::size_t from = at + tag.size();
        while (from < xmp.size() && (xmp[from] == '<' || xmp[from] == ' ' || xmp[from] == '\n')) {
            const std::size_t close = xmp[from] == '<' ? xmp.find('>', from) : from;
            from = close == std::string::npos ? xmp.size() : close + 1;
        }
        add(xmp, from);
    }
    return years;
}

}  // namespace tidemark::refined
