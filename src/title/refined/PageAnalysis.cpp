#include "title/refined/PageAnalysis.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <string_view>

#include "title/refined/Text.h"

namespace tidemark::refined {

namespace {

// ---------------------------------------------------------------- words

std::vector<std::u32string> splitWords(std::u32string_view text)
{
    std::vector<std::u32string> words;
    std::u32string word;
    for (char32_t c : text) {
        if (isSpace(c)) {
            if (!word.empty()) {
                words.push_back(std::move(word));
                word.clear();
            }
        } else {
            word += c;
        }
    }
    if (!word.empty()) {
        words.push_back(std::move(word));
    }
    return words;
}

// The letters of a word, lower-cased: "Abstract:" gives "abstract".
std::u32string letters(std::u32string_view word)
{
    std::u32string out;
    for (char32_t c : word) {
        if (isLetter(c)) {
            out += toLower(c);
        }
    }
    return out;
}

bool hasDigit(std::u32string_view text)
{
    return std::any_of(text.begin(), text.end(), isDigit);
}

bool isOneOf(const std::u32string &word, std::initializer_list<std::u32string_view> list)
{
    return std::find(list.begin(), list.end(), word) != list.end();
}

// The word that opens an abstract, in the languages papers are commonly
// written in.
bool isAbstractWord(const std::u32string &w)
{
    return isOneOf(w, {U"abstract", U"summary", U"résumé", U"resume", U"resumen", U"resumo", U"zusammenfassung",
                       U"kurzfassung", U"sommario", U"riassunto", U"samenvatting", U"sammanfattning",
                       U"streszczenie", U"аннотация", U"реферат", U"摘要", U"要旨", U"概要", U"초록", U"요약"});
}

bool isContentsHeading(const std::u32string &folded)
{
    return isOneOf(folded, {U"contents", U"tableofcontents", U"inhalt", U"inhaltsverzeichnis", U"sommaire",
                            U"tabledesmatières", U"índice", U"indice", U"contenido", U"contenidos", U"sumário",
                            U"indicegeneral", U"índicegeneral", U"содержание", U"目次", U"目录", U"目錄", U"목차", U"차례"});
}

// Headings that open the body of a paper when they stand alone.
bool isOpeningHeading(const std::u32string &folded)
{
    return isOneOf(folded, {U"introduction", U"overview", U"background", U"motivation", U"preface", U"foreword",
                            U"preliminaries", U"einleitung", U"einführung", U"introducción", U"introduzione",
                            U"introdução", U"inleiding", U"введение", U"はじめに", U"序論", U"引言", U"서론",
                            U"gettingstarted", U"quickstart", U"acknowledgements", U"acknowledgments",
                            U"dedication", U"declaration", U"listoffigures", U"listoftables", U"nomenclature",
                            U"glossary", U"notation"}) ||
           isContentsHeading(folded);
}

bool isMonth(const std::u32string &w)
{
    return isOneOf(w, {U"january",   U"february", U"march",   U"april",    U"may",      U"june",     U"july",
                       U"august",    U"september", U"october", U"november", U"december", U"jan",      U"feb",
                       U"mar",       U"apr",      U"jun",     U"jul",      U"aug",      U"sep",      U"sept",
                       U"oct",       U"nov",      U"dec",     U"januar",   U"februar",  U"märz",     U"juni",
                       U"juli",      U"oktober",  U"dezember", U"janvier", U"février",  U"mars",     U"avril",
                       U"mai",       U"juin",     U"juillet", U"août",     U"septembre", U"octobre", U"novembre",
                       U"décembre",  U"enero",    U"febrero", U"marzo",    U"abril",    U"mayo",     U"junio",
                       U"julio",     U"agosto",   U"septiembre", U"octubre", U"noviembre", U"diciembre",
                       U"gennaio",   U"febbraio", U"aprile",  U"maggio",   U"giugno",   U"luglio",   U"settembre",
                       U"ottobre",   U"dicembre"});
}

// Words that stand in date lines beside the date itself.
bool isDateWord(const std::u32string &w)
{
    return isOneOf(w, {U"monday", U"tuesday", U"wednesday", U"thursday", U"friday", U"saturday", U"sunday",
                       U"st", U"nd", U"rd", U"th", U"of", U"on", U"the", U"this", U"date", U"dated", U"received",
                       U"accepted", U"published", U"submitted", U"revised", U"updated", U"update", U"compiled",
                       U"created", U"modified", U"last", U"online", U"printed", U"draft", U"version", U"am",
                       U"pm"});
}

// ------------------------------------------------------ kinds of text

// A date line: a month and a number, or a number written as a date, with
// no words but those that go with dates ("November 1, 2022", "Revised
// 2015-10-30"); a title that names a month has words of its own.
bool looksLikeDate(const std::vector<std::u32string> &words)
{
    bool month = false;
    bool numericDate = false;
    std::size_t other = 0;
    for (const std::u32string &w : words) {
        const std::u32string l = letters(w);
        if (isMonth(l)) {
            month = true;
        } else if (isDateWord(l)) {
            continue;
        } else if (hasDigit(w)) {
            const std::size_t separators = static_cast<std::size_t>(
                std::count_if(w.begin(), w.end(), [](char32_t c) { return c == U'-' || c == U'/' || c == U'.'; }));
            numericDate = numericDate || (separators >= 2 && w.size() >= 6);
        } else if (!l.empty()) {
            ++other;
        }
    }
    const bool number = std::any_of(words.begin(), words.end(), [](const auto &w) { return hasDigit(w); });
    return ((month && number) || numericDate) && other == 0;
}

// A web or mail address: "https://...", "www.", "name@host.org".
bool looksLikeContact(std::u32string_view text)
{
    const std::string s = toUtf8(text);
    if (s.find("://") != s.npos || s.find("www.") != s.npos || s.find("(at)") != s.npos) {
        return true;
    }
    for (std::size_t at = s.find('@'); at != s.npos; at = s.find('@', at + 1)) {
        const std::size_t user = s.find_last_not_of(' ', at == 0 ? 0 : at - 1);
        const std::size_t begin = s.find_first_not_of(' ', at + 1);
        if (at == 0 || user == s.npos || s[user] == ' ' || begin == s.npos) {
            continue;
        }
        const std::size_t end = s.find_first_of(" ,;)>", begin);
        if (s.substr(begin, end == s.npos ? s.npos : end - begin).find('.') != s.npos) {
            return true;
        }
    }
    return false;
}

// "Version 1.4.10", "Revised October 30, 2015", "Compiled ...".
bool looksLikeVersion(const std::vector<std::u32string> &words)
{
    if (words.empty() || words.size() > 12) {
        return false;
    }
    bool versionWord = false;
    for (std::size_t i = 0; i < std::min<std::size_t>(words.size(), 2); ++i) {
        const std::u32string l = letters(words[i]);
        versionWord = versionWord || l.starts_with(U"version") || l.starts_with(U"versión") ||
                      l.starts_with(U"revision") || l == U"release" || l == U"draft" || l == U"compiled" ||
                      l == U"revised" || l == U"modified" || l == U"updated";
    }
    // A version line says little else; a title that names its version
    // ("Foo version 2: a package for ...") goes on in words of its own.
    const std::size_t other = static_cast<std::size_t>(std::count_if(words.begin(), words.end(), [](const auto &w) {
        const std::u32string l = letters(w);
        return !hasDigit(w) && !l.empty() && !isMonth(l) && !isDateWord(l) && !l.starts_with(U"version");
    }));
    if (other > 5) {
        return false;
    }
    const std::u32string &first = words.front();
    const bool vNumber = first.size() > 1 && (first[0] == U'v' || first[0] == U'V') &&
                         std::all_of(first.begin() + 1, first.end(),
                                     [](char32_t c) { return isDigit(c) || c == U'.' || c == U'-'; });
    return vNumber || (versionWord && std::any_of(words.begin(), words.end(), [](const auto &w) { return hasDigit(w); }));
}

// A number that files a paper or a report ("IMECE2023-1234", "TR-05-78"):
// one word of capitals and at least three digits. A name of capitals with a
// digit or two in it ("WORD2VEC", "COVID19") is a title's own.
bool looksLikeIdentifier(const std::vector<std::u32string> &words)
{
    if (words.size() != 1 || words[0].size() < 4) {
        return false;
    }
    const std::u32string &w = words[0];
    return std::count_if(w.begin(), w.end(), isDigit) >= 3 && std::any_of(w.begin(), w.end(), isLetter) &&
           std::none_of(w.begin(), w.end(), isLower);
}

// What a cover calls the document instead of naming it: "Master's Thesis",
// "SEMINARARBEIT", "Technical Report", "博士学位论文". Every word names a kind
// of document or a degree.
bool namesDocumentKind(const std::vector<std::u32string> &words)
{
    bool kind = false;
    for (const std::u32string &w : words) {
        const std::u32string l = letters(w);
        if (l.empty()) {
            continue;
        }
        // Written without spaces: a short word that ends in "thesis" or
        // "report" (Chinese, Japanese, Korean).
        const bool cjk = l.size() <= 10 && (l.ends_with(U"论文") || l.ends_with(U"論文") || l.ends_with(U"논문") ||
                                            l.ends_with(U"报告") || l.ends_with(U"報告"));
        if (cjk || (l.size() > 6 && l.ends_with(U"arbeit")) ||
            isOneOf(l, {U"thesis", U"dissertation", U"report", U"tesis", U"tesi", U"tese", U"thèse", U"mémoire",
                        U"dissertação", U"proefschrift", U"диссертация", U"отчет", U"отчёт"})) {
            kind = true;
        } else if (!isOneOf(l, {U"master", U"masters", U"bachelor", U"bachelors", U"doctoral", U"doctorate",
                                U"phd", U"ph", U"d", U"diploma", U"diplom", U"senior", U"honours", U"honors",
                                U"undergraduate", U"graduate", U"final", U"technical", U"research", U"project",
                                U"laurea", U"magistrale", U"triennale", U"of", U"di", U"de", U"in", U"a", U"the",
                                U"магистерская", U"кандидатская", U"докторская"})) {
            return false;
        }
    }
    return kind;
}

// A number as journals print them: "87", "12(3)", "211-230", "2021),",
// "10.1000/x". A word with letters in it ("2D") is none.
bool isBibliographicNumber(const std::u32string &w)
{
    return hasDigit(w) && std::none_of(w.begin(), w.end(), isLetter);
}

// What may follow a volume's or an issue's number on a line of journal
// data: more numbers, more such words, a month; nothing at all.
bool isBibliographicWord(const std::u32string &w)
{
    const std::u32string l = letters(w);
    return isBibliographicNumber(w) || l.empty() || isMonth(l) ||
           isOneOf(l, {U"volume", U"vol", U"issue", U"no", U"nr", U"number", U"doi", U"issn", U"isbn", U"pp",
                       U"p", U"pages", U"page", U"jahrgang", U"heft", U"tome", U"numéro", U"núm", U"número"});
}

// Volume, issue, DOI, ISSN, pages: what a journal prints next to its name.
// The word comes with its number ("Volume 87", "Vol. 12", "doi:10.1000/x"),
// and the number ends the line or leads on to more journal data; in a
// title the word is one of its own ("Finite Volume 2D Schemes", "The Issue
// 2000 Problem").
bool looksBibliographic(const std::vector<std::u32string> &words)
{
    if (!std::any_of(words.begin(), words.end(), [](const auto &w) { return hasDigit(w); })) {
        return false;
    }
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::u32string l = letters(words[i]);
        if (!isOneOf(l, {U"volume", U"vol", U"issue", U"doi", U"issn", U"isbn", U"pp", U"jahrgang", U"heft",
                         U"tome", U"numéro", U"núm", U"número"})) {
            continue;
        }
        if (hasDigit(words[i])) {
            return true;  // "doi:10.1000/x", "pp.211-230"
        }
        if (l == U"doi" && i + 1 < words.size() && words[i + 1].starts_with(U"10.")) {
            return true;  // "DOI 10.18637/jss.v087.i03"
        }
        if (i + 1 < words.size() && isBibliographicNumber(words[i + 1])) {
            const std::u32string &number = words[i + 1];
            const bool closed = number.back() == U',' || number.back() == U';' || number.back() == U')';
            if (closed || i + 2 == words.size() || isBibliographicWord(words[i + 2])) {
                return true;
            }
        }
    }
    return false;
}

// The number of a section: "3", "2.1", "12.3.4", and with a full stop
// after them "IV.", "A." (a year or a word such as "I" is none).
bool isSectionNumber(const std::u32string &w)
{
    if (w.empty() || w.size() > 8) {
        return false;
    }
    std::u32string core = w;
    while (!core.empty() && (core.back() == U'.' || core.back() == U')')) {
        core.pop_back();
    }
    const bool marked = core.size() < w.size();
    if (core.empty()) {
        return false;
    }
    if (std::all_of(core.begin(), core.end(), [](char32_t c) { return isDigit(c) || c == U'.'; })) {
        std::size_t run = 0;
        for (char32_t c : core) {
            run = isDigit(c) ? run + 1 : 0;
            if (run > 2) {
                return false;
            }
        }
        return isDigit(core[0]);
    }
    const bool roman = std::all_of(core.begin(), core.end(), [](char32_t c) {
        return c == U'I' || c == U'V' || c == U'X' || c == U'i' || c == U'v' || c == U'x';
    });
    return marked && (roman || (core.size() == 1 && core[0] >= U'A' && core[0] <= U'Z'));
}

bool isPageNumber(const std::u32string &w)
{
    return !w.empty() && w.size() <= 4 &&
           (std::all_of(w.begin(), w.end(), isDigit) ||
            std::all_of(w.begin(), w.end(), [](char32_t c) { return c == U'i' || c == U'v' || c == U'x'; }));
}

// Words that join names in a list of authors, or belong to names.
bool isNameJoiner(const std::u32string &l)
{
    return isOneOf(l, {U"and", U"und", U"et", U"al", U"y", U"e", U"by", U"von", U"van", U"de", U"der", U"den",
                       U"da", U"di", U"du", U"la", U"le", U"del", U"dos", U"das", U"with", U"others"});
}

// The first letter of a word, 0 when it has none.
char32_t firstLetter(const std::u32string &w)
{
    const auto it = std::find_if(w.begin(), w.end(), isLetter);
    return it == w.end() ? 0 : *it;
}

// Small words other than those that join names ("An R Package for ...",
// "when we want to ...").
bool readsAsPhrase(const std::vector<std::u32string> &words)
{
    return std::any_of(words.begin(), words.end(), [](const std::u32string &w) {
        const char32_t first = firstLetter(w);
        return first != 0 && isLower(first) && !isNameJoiner(letters(w));
    });
}

// A line of names ("Ann Smith, Bo Li and Carl Ek"): up to its first comma,
// capitalised words and initials, with only the small words that join
// names.
bool looksLikeNames(const std::u32string &text)
{
    std::size_t capitalised = 0;
    for (const std::u32string &w : splitWords(text.substr(0, text.find_first_of(U",;")))) {
        const char32_t first = firstLetter(w);
        if (first == 0) {
            continue;
        }
        if (isLower(first) && !isNameJoiner(letters(w))) {
            return false;
        }
        capitalised += isUpper(first) ? 1 : 0;
    }
    return capitalised >= 2;
}

// The name of an institution: "Department of ...", "... University".
bool looksLikeAffiliation(const std::vector<std::u32string> &words)
{
    return std::any_of(words.begin(), words.end(), [](const std::u32string &w) {
        return isOneOf(letters(w), {U"university", U"universität", U"université", U"universidad", U"università",
                                    U"universidade", U"universiteit", U"institute", U"institut", U"instituto",
                                    U"istituto", U"department", U"dept", U"departamento", U"laboratory",
                                    U"laboratories", U"laboratoire", U"college", U"school", U"faculty",
                                    U"fakultät", U"centre", U"center", U"hospital", U"inc", U"ltd", U"gmbh"});
    });
}

// ---------------------------------------------------------- geometry

double lineSize(const Line &l)
{
    return l.size();
}

bool similarSize(double a, double b, double tolerance)
{
    return std::min(a, b) >= (1 - tolerance) * std::max(a, b);
}

void extend(Line &into, const Line &from)
{
    if (!into.words.empty()) {
        into.words.back().spaceAfter = true;
    }
    into.words.insert(into.words.end(), from.words.begin(), from.words.end());
    into.xMin = std::min(into.xMin, from.xMin);
    into.yMin = std::min(into.yMin, from.yMin);
    into.xMax = std::max(into.xMax, from.xMax);
    into.yMax = std::max(into.yMax, from.yMax);
}

// The library sometimes breaks one printed line into several blocks (a
// word in another font, wide spaces): pieces on one baseline, of one size
// and close together, are one line again.
std::vector<Line> mergeFragments(const std::vector<Line> &lines)
{
    std::vector<Line> out;
    for (const Line &line : lines) {
        if (!out.empty()) {
            Line &previous = out.back();
            const double previousSize = lineSize(previous);
            const double nextSize = lineSize(line);
            const double size = std::max(previousSize, nextSize);
            const double gap = line.xMin - previous.xMax;
            if (previous.rotation == 0 && line.rotation == 0 && std::abs(previous.baseline - line.baseline) <= 0.2 * size &&
                similarSize(previousSize, nextSize, 0.12) && gap >= -0.2 * size && gap <= 1.5 * size) {
                extend(previous, line);
                continue;
            }
        }
        out.push_back(line);
    }
    return out;
}

// Letter-spaced text ("A B S T R A C T", titles set wide) comes out of the
// layout as one word per letter. Where most words of a line are single
// letters, the letters close up again, and only the gaps wider than those
// between letters stay spaces.
void closeLetterSpacing(Line &line)
{
    const std::size_t n = line.words.size();
    const std::size_t single = static_cast<std::size_t>(
        std::count_if(line.words.begin(), line.words.end(), [](const Word &w) { return w.text.size() == 1; }));
    if (line.rotation != 0 || n < 4 || 10 * single < 6 * n) {
        return;
    }
    std::vector<double> letterGaps;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (line.words[i].text.size() == 1 && line.words[i + 1].text.size() == 1) {
            letterGaps.push_back(line.words[i + 1].xMin - line.words[i].xMax);
        }
    }
    if (letterGaps.empty()) {
        return;
    }
    std::nth_element(letterGaps.begin(), letterGaps.begin() + static_cast<std::ptrdiff_t>(letterGaps.size() / 2),
                     letterGaps.end());
    const double wordGap = letterGaps[letterGaps.size() / 2] + 0.12 * line.size();
    for (std::size_t i = 0; i + 1 < n; ++i) {
        line.words[i].spaceAfter = line.words[i + 1].xMin - line.words[i].xMax >= wordGap;
    }
}

bool standsApart(const Line &line)
{
    const std::u32string text = line.text();
    const std::vector<std::u32string> words = splitWords(text);
    return looksLikeVersion(words) || looksLikeDate(words) || looksLikeContact(text) || looksBibliographic(words);
}

// Most of its characters are bold.
bool isBold(const Line &line)
{
    std::size_t bold = 0, all = 0;
    for (const Word &w : line.words) {
        all += w.text.size();
        bold += w.bold ? w.text.size() : 0;
    }
    return 2 * bold > all;
}

// Whether `line` carries on `segment` as the next line of one text. Where
// bold type gives way to regular type of the same size, one text ends (a
// title in bold, the names under it in regular type).
bool continues(const Segment &segment, const Line &line)
{
    const Line &last = segment.lines.back();
    const double lastSize = lineSize(last);
    const double nextSize = lineSize(line);
    const double size = std::max(lastSize, nextSize);
    if (line.rotation != last.rotation || !similarSize(lastSize, nextSize, 0.07) ||
        (isBold(last) && !isBold(line))) {
        return false;
    }
    const double pitch = line.baseline - last.baseline;
    if (line.rotation != 0 || pitch < 0.75 * size || pitch > 1.75 * size) {
        return false;
    }
    return line.xMin < segment.xMax + size && line.xMax > segment.xMin - size;
}

// Joins lines into one text. A hyphen that ends a line joins the next line
// without a space; it goes when the next line goes on in small letters
// (a word broken in two) and stays before a capital ("Self-" "Organizing").
bool isFootnoteMark(char32_t c)
{
    return c == U'*' || c == 0x2217 || c == 0x2020 || c == 0x2021 || c == 0xA7 || c == 0xB6 || c == 0x22C6 ||
           c == 0x2605;
}

// A line's text without the footnote marks at its end: marks (*, the
// dagger...) and smaller raised numbers that point to a note.
std::u32string withoutNoteMarks(const Line &line)
{
    Line trimmed = line;
    const double size = line.size();
    while (trimmed.words.size() > 1) {
        const Word &w = trimmed.words.back();
        const Word &before = trimmed.words[trimmed.words.size() - 2];
        // A raised letter set close against the word before it points to a
        // note too ("Title^a)"); a word of its own in small type does not.
        const bool raised = !before.spaceAfter && w.baseline < line.baseline - 0.2 * size;
        const bool mark = std::all_of(w.text.begin(), w.text.end(), [raised](char32_t c) {
            return isFootnoteMark(c) || isDigit(c) || c == U',' || (raised && (isLetter(c) || c == U')'));
        });
        if (w.size >= 0.8 * size || !mark || w.text.size() > 3) {
            break;
        }
        trimmed.words.pop_back();
    }
    std::u32string text = trimmed.text();
    // Marks in a row are set apart by commas: "title*,**".
    while (!text.empty() && (isFootnoteMark(text.back()) || text.back() == U' ' ||
                             (text.back() == U',' && text.size() >= 2 && isFootnoteMark(text[text.size() - 2])))) {
        text.pop_back();
    }
    return text;
}

std::u32string joinLines(const std::vector<Line> &lines)
{
    std::u32string out;
    for (const Line &line : lines) {
        const std::u32string text = withoutNoteMarks(line);
        if (text.empty()) {
            continue;
        }
        if (!out.empty()) {
            if (out.back() == U'-' || out.back() == 0x2010) {
                if (isLower(text[0]) && out.size() >= 2 && isLetter(out[out.size() - 2])) {
                    out.pop_back();
                }
            } else {
                out += U' ';
            }
        }
        out += text;
    }
    return out;
}

Segment makeSegment(std::vector<Line> lines)
{
    Segment s;
    s.lines = std::move(lines);
    SizeTally sizes;
    std::size_t bold = 0, all = 0;
    s.xMin = s.yMin = 1e300;
    s.xMax = s.yMax = -1e300;
    for (const Line &l : s.lines) {
        sizes.add(l);
        for (const Word &w : l.words) {
            all += w.text.size();
            bold += w.bold ? w.text.size() : 0;
        }
        s.xMin = std::min(s.xMin, l.xMin);
        s.yMin = std::min(s.yMin, l.yMin);
        s.xMax = std::max(s.xMax, l.xMax);
        s.yMax = std::max(s.yMax, l.yMax);
    }
    s.size = sizes.mode();
    s.bold = 2 * bold > all;
    s.rotation = s.lines.front().rotation;
    s.text = joinLines(s.lines);
    const std::u32string first = s.lines.front().text();
    const std::vector<std::u32string> firstWords = splitWords(first);
    s.phrase = readsAsPhrase(firstWords) || (!first.empty() && isLower(first[0]));
    s.byline = looksLikeNames(first) || looksLikeContact(s.text) ||
               std::any_of(s.lines.begin(), s.lines.end(),
                           [](const Line &l) { return looksLikeAffiliation(splitWords(l.text())); });
    return s;
}

std::vector<Segment> formSegments(const std::vector<Line> &lines, int rotation)
{
    std::vector<Segment> segments;
    Segment current;  // the lines so far and their horizontal extent
    auto flush = [&] {
        if (!current.lines.empty()) {
            segments.push_back(makeSegment(std::move(current.lines)));
            current.lines.clear();
        }
    };
    for (const Line &line : lines) {
        if (line.rotation != rotation) {
            // Turned text (a stamp down the margin) stands alone and does
            // not interrupt the lines around it.
            segments.push_back(makeSegment({line}));
            continue;
        }
        // A date, a version or an address is never part of a title, even
        // in the title's type right under it.
        const bool apart = standsApart(line);
        if (!current.lines.empty() && (apart || !continues(current, line))) {
            flush();
        }
        if (apart) {
            segments.push_back(makeSegment({line}));
            continue;
        }
        if (current.lines.empty()) {
            current.xMin = line.xMin;
            current.xMax = line.xMax;
        } else {
            current.xMin = std::min(current.xMin, line.xMin);
            current.xMax = std::max(current.xMax, line.xMax);
        }
        current.lines.push_back(line);
    }
    flush();
    return segments;
}

// The size of the running text: the size most characters of the page's
// paragraphs are set in. A page without paragraphs (a cover, a title page)
// has no running text; its smallest type stands in for it.
double bodySizeOf(const std::vector<Segment> &segments, bool &hasBody)
{
    SizeTally sizes;
    double smallest = 0;
    for (const Segment &s : segments) {
        if (s.lines.size() >= 3 && s.text.size() >= 120) {
            for (const Line &l : s.lines) {
                sizes.add(l);
            }
        }
        if (s.text.size() >= 4 && (smallest == 0 || s.size < smallest)) {
            smallest = s.size;
        }
    }
    hasBody = !sizes.empty();
    if (!hasBody) {
        return smallest > 0 ? smallest : 10;
    }
    return sizes.mode();
}

// ------------------------------------------------- list of contents

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
    return leaders || number.xMin - before.xMax > 2.5 * number.size;
}

// ---------------------------------------------------------- scoring

// In the band at the top or the foot of the page where running heads,
// page numbers and stamps stand, outside the text.
bool inMargin(const Segment &s, double pageHeight)
{
    return s.yMax < 0.08 * pageHeight || s.yMin > 0.92 * pageHeight;
}

bool everyLine(const Segment &s, bool (*test)(const std::vector<std::u32string> &))
{
    return std::all_of(s.lines.begin(), s.lines.end(), [test](const Line &l) { return test(splitWords(l.text())); });
}

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

std::size_t Segment::words() const
{
    return splitWords(text).size();
}

namespace {

// The edit distance of two texts, or any number above `limit` once it is
// clear that the distance exceeds it: only the cells within `limit` of the
// diagonal are worked out, so the cost is the shorter length times the
// limit, not the product of the lengths.
std::size_t editDistance(const std::u32string &a, const std::u32string &b, std::size_t limit)
{
    const std::size_t over = limit + 1;
    if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > limit) {
        return over;
    }
    std::vector<std::size_t> row(b.size() + 1, over);
    for (std::size_t j = 0; j <= std::min(b.size(), limit); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        const std::size_t from = i > limit ? i - limit : 1;
        const std::size_t to = std::min(b.size(), i + limit);
        std::size_t diagonal = row[from - 1];
        row[from - 1] = from == 1 && i <= limit ? i : over;
        std::size_t least = row[from - 1];
        for (std::size_t j = from; j <= to; ++j) {
            const std::size_t next =
                std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1] ? 1 : 0), over});
            diagonal = row[j];
            row[j] = next;
            least = std::min(least, next);
        }
        if (least > limit) {
            return over;
        }
    }
    return row[b.size()];
}

}  // namespace

double similarity(const std::u32string &a, const std::u32string &b)
{
    if (a.empty() && b.empty()) {
        return 1;
    }
    const std::size_t longer = std::max(a.size(), b.size());
    return 1.0 - static_cast<double>(editDistance(a, b, longer)) / static_cast<double>(longer);
}

bool similarAtLeast(const std::u32string &a, const std::u32string &b, double threshold)
{
    if (a.empty() && b.empty()) {
        return true;
    }
    const std::size_t longer = std::max(a.size(), b.size());
    // The most edits that can still reach the threshold, and one more for
    // the rounding of the comparison below.
    const auto limit = static_cast<std::size_t>((1 - threshold) * static_cast<double>(longer)) + 1;
    return 1.0 - static_cast<double>(editDistance(a, b, limit)) / static_cast<double>(longer) >= threshold;
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
    boundaryLeft = s.xMin > 0.48 * width ? s.xMin : -std::numeric_limits<double>::infinity();
}

const Segment *PageAnalysis::best() const
{
    const Segment *best = nullptr;
    for (const Segment &s : segments) {
        if (s.rejected.empty() && (best == nullptr || s.score > best->score)) {
            best = &s;
        }
    }
    return best;
}

namespace {

// Which segments are rows of a list of contents, and which is its heading.
struct Contents {
    std::vector<bool> row;
    std::size_t heading = 0;  // past the end when there is none
    bool listed = false;      // three rows or more: a list indeed
};

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
        double size = lineSize(head);
        std::size_t end = begin + 1;
        for (; end < byBaseline.size(); ++end) {
            const Line &next = lines[byBaseline[end]];
            size = std::max(size, lineSize(next));
            if (next.baseline - head.baseline > 0.3 * size) {
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

// Rejects what cannot be a title, and marks where the abstract or a list
// of contents begins.
void classify(PageAnalysis &a, const Contents &contents, int rotation)
{
    const double body = a.bodySize;
    for (std::size_t i = 0; i < a.segments.size(); ++i) {
        Segment &s = a.segments[i];
        const std::vector<std::u32string> words = splitWords(s.text);
        const std::u32string folded = foldedText(s);
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
            s.rejected = "turned against the text of the page";
        } else if (letterCount < 2) {
            s.rejected = "no words";
        } else if (contents.listed && contents.row[i]) {
            s.rejected = "an entry of a list of contents";
            a.hasContents = true;
        } else if (isContentsHeading(folded) || i == contents.heading) {
            s.rejected = "heading of a list of contents";
            a.hasContents = true;
            if (s.yMin < a.boundary) {
                a.setBoundary(s, "the list of contents");
            }
        } else if (isAbstractWord(first) &&
                   (words.size() <= 2 || marked || (s.size <= 1.25 * body && s.lines.size() >= 2))) {
            s.rejected = "the abstract";
            a.hasAbstract = true;
            if (s.yMin < a.boundary) {
                a.setBoundary(s, "the abstract");
            }
        } else if (looksLikeContact(s.text)) {
            s.rejected = "an address";
        } else if (looksBibliographic(words)) {
            s.rejected = "journal or issue data";
        } else if (namesDocumentKind(words)) {
            s.rejected = "the kind of document";
        } else if (isFieldLabel(a, i)) {
            s.rejected = "the label of a field";
        } else if (looksLikeIdentifier(words)) {
            s.rejected = "the number of a paper or report";
        } else if (everyLine(s, looksLikeVersion)) {
            s.rejected = "a version line";
        } else if (everyLine(s, looksLikeDate)) {
            s.rejected = "a date";
        } else if (words.size() > 40 || s.lines.size() > 6 || s.text.size() > 500) {
            s.rejected = "too long for a title";
        } else if (s.size < 0.97 * body) {
            s.rejected = "smaller than the running text";
        } else if (s.size <= 1.03 * body && !s.bold && s.lines.size() >= 3) {
            s.rejected = "running text";
        }
    }

}

// The letters of a heading's words after its number, if it has one, in
// lower case: "2. Related Work" gives "relatedwork".
std::u32string headingName(const std::vector<std::u32string> &words)
{
    std::u32string name;
    for (std::size_t w = words.empty() || !isSectionNumber(words.front()) ? 0 : 1; w < words.size(); ++w) {
        name += letters(words[w]);
    }
    return name;
}

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
        if (s.rejected.empty() && sectionName(s)) {
            for (const Line &l : s.lines) {
                headingSizes.add(l);
            }
        }
    }
    const double headingSize = headingSizes.mode();

    // Headings that open the body: the title stands above them.
    for (std::size_t i = 0; i < a.segments.size(); ++i) {
        Segment &s = a.segments[i];
        if (!s.rejected.empty() || a.after(s)) {
            continue;
        }
        const std::vector<std::u32string> words = splitWords(s.text);
        const std::u32string rest = headingName(words);
        const bool numbered = !words.empty() && isSectionNumber(words.front()) && words.size() <= 10;
        bool beforeText = false;
        for (std::size_t j = i + 1; j < a.segments.size(); ++j) {
            const Segment &next = a.segments[j];
            if (next.rotation != s.rotation || next.yMin < s.yMax - 1) {
                continue;
            }
            const std::vector<std::u32string> nextWords = splitWords(next.text);
            beforeText = next.yMin - s.yMax < 3 * s.size &&
                         (similarSize(next.size, a.bodySize, 0.05) || (!nextWords.empty() && isSectionNumber(nextWords[0])));
            break;
        }
        if ((numbered && beforeText) || isOpeningHeading(rest)) {
            a.setBoundary(s, "the first section");
            return;
        }
        if (sectionName(s) && similarSize(s.size, headingSize, 0.1)) {
            a.setBoundary(s, "a section named in the outline");
            return;
        }
    }

}

// Scores: size against the running text, then what the position, the
// neighbours and the metadata say.
void score(PageAnalysis &a, const DocumentFacts &facts)
{
    for (std::size_t i = 0; i < a.segments.size(); ++i) {
        Segment &s = a.segments[i];
        if (!s.rejected.empty()) {
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
            if (j != i && o.rejected == "journal or issue data" && o.yMin < s.yMax + 2 * s.size &&
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
    a.cropped = std::any_of(lines.begin(), lines.end(), [&a](const Line &l) { return l.xMin < 0.02 * a.width; });
    a.bodySize = bodySizeOf(a.segments, a.hasBody);
    classify(a, findContents(a, lines, rotation), rotation);
    findFirstSection(a, facts);
    score(a, facts);
    return a;
}

}  // namespace tidemark::refined
