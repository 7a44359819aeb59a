#include "title/refined/Vocabulary.h"

#include <algorithm>
#include <initializer_list>

#include "common/Utf8.h"
#include "title/refined/Text.h"

namespace tidemark::refined {

namespace {

bool isOneOf(const std::u32string &word, std::initializer_list<std::u32string_view> list)
{
    return std::find(list.begin(), list.end(), word) != list.end();
}

}  // namespace

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

namespace {

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

}  // namespace

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

namespace {

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

}  // namespace

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

namespace {

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

}  // namespace

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

}  // namespace tidemark::refined
