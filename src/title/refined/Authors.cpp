#include "title/refined/Authors.h"

#include <algorithm>
#include <initializer_list>
#include <memory>

#include <PDFDoc.h>
#include <goo/GooString.h>

#include "title/refined/DocumentFacts.h"
#include "title/refined/Text.h"
#include "title/refined/Tuning.h"
#include "title/refined/Vocabulary.h"
#include "title/refined/Year.h"

namespace tidemark::refined {

namespace {

bool isOneOf(const std::u32string &word, std::initializer_list<std::u32string_view> list)
{
    return std::find(list.begin(), list.end(), word) != list.end();
}

// Words that join names in a list.
bool isJoiner(const std::u32string &w)
{
    return isOneOf(w, {U"and", U"&", U"und", U"et", U"y", U"e", U"i", U"och", U"og", U"en", U"és", U"и"});
}

// Small words that belong to family names.
bool isParticle(const std::u32string &w)
{
    return isOneOf(w, {U"van", U"von", U"de", U"der", U"den", U"da", U"di", U"du", U"la", U"le", U"del", U"della",
                       U"dos", U"das", U"do", U"ten", U"ter", U"bin", U"ibn", U"al", U"el", U"zu", U"af", U"y"});
}

// The same set with a capital, which stands in a family name after the
// given names ("Jason Vander Heiden", "Anna De Vries").
bool isCapitalParticle(const std::u32string &w)
{
    return isOneOf(w, {U"Van", U"Vander", U"Von", U"De", U"Der", U"Den", U"Del", U"Della", U"Da", U"Di", U"Du",
                       U"Le", U"La", U"Ten", U"Ter", U"Dos", U"Das"});
}

// A piece of a line of names that names a body, not a person: "Bioconductor
// Team", "University of Zurich".
bool namesABody(const std::vector<std::u32string> &words)
{
    return looksLikeAffiliation(words) || std::any_of(words.begin(), words.end(), [](const std::u32string &w) {
               return isOneOf(letters(w), {U"team", U"group", U"project", U"consortium", U"core", U"committee",
                                           U"society", U"association", U"foundation", U"corporation", U"company",
                                           U"lab", U"labs", U"contributors", U"others", U"tech"});
           });
}

bool isSuffix(const std::u32string &l)
{
    return isOneOf(l, {U"jr", U"sr", U"ii", U"iii", U"iv"});
}

// Capitalised words that are not names: institutions, kinds of document,
// headings, the words of a team's name.
bool isNotAName(const std::u32string &l)
{
    return isOneOf(l, {U"the",      U"a",        U"an",         U"of",         U"for",       U"in",
                       U"on",       U"team",     U"group",      U"project",    U"consortium", U"core",
                       U"development", U"committee", U"society", U"association", U"foundation", U"corporation",
                       U"company",  U"package",  U"packages",   U"manual",     U"guide",     U"tutorial",
                       U"vignette", U"introduction", U"overview", U"documentation", U"user",  U"users",
                       U"version",  U"release",  U"draft",      U"report",     U"paper",     U"abstract",
                       U"contents", U"chapter",  U"section",    U"appendix",   U"table",     U"figure",
                       U"keywords", U"summary",  U"notes",      U"note",       U"edition",   U"press",
                       U"journal",  U"proceedings", U"conference", U"workshop", U"symposium", U"volume",
                       U"email",    U"mail",     U"phone",      U"fax",        U"tel",       U"contact",
                       U"correspondence", U"corresponding",
                       U"maintainer", U"data",   U"analysis",   U"model",      U"models",    U"using",
                       U"with",     U"lab",      U"labs",       U"research",   U"sciences",  U"science",
                       U"statistics", U"university", U"street", U"road",       U"avenue",    U"building",
                       U"campus",   U"division", U"unit",       U"programme",  U"program",   U"office",
                       U"national", U"international", U"state",  U"republic",  U"united",    U"kingdom",
                       U"states",   U"america",  U"tech",      U"date",       U"page",      U"pages"}) ||
           looksLikeAffiliation({l});
}

// "J.", "J.-P.", "A.B.": initials, with their dots.
bool isInitials(const std::u32string &w)
{
    if (w.size() < 2 || w.back() != U'.') {
        return false;
    }
    std::size_t capitals = 0;
    for (char32_t c : w) {
        if (isUpper(c)) {
            ++capitals;
        } else if (c != U'.' && c != U'-') {
            return false;
        }
    }
    return capitals >= 1 && capitals <= 3;
}

bool isHan(char32_t c)
{
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF);
}

// A capitalised word of a name: a capital, then letters, with hyphens and
// apostrophes inside ("Jean-Luc", "O'Neil"); one capital alone ("John F
// Smith") counts as an initial.
bool isNameWord(const std::u32string &w)
{
    if (w.empty() || !isUpper(w.front())) {
        return false;
    }
    for (std::size_t i = 1; i < w.size(); ++i) {
        const char32_t c = w[i];
        if (!isLetter(c) && c != U'-' && c != U'\'' && c != 0x2019 && !(c >= 0x300 && c <= 0x36F) &&
            !(c == U'.' && i + 1 == w.size())) {
            return false;
        }
    }
    return !isNotAName(letters(w));
}

// Whether `words` read as one person's name: two to five words, each a
// capitalised word, initials or a particle, ending on a family name; or a
// name in Han characters written as one word.
bool isName(const std::vector<std::u32string> &words)
{
    if (words.size() == 1) {
        const std::u32string &w = words.front();
        return w.size() >= 2 && w.size() <= 4 && std::all_of(w.begin(), w.end(), isHan);
    }
    if (words.size() < 2 || words.size() > 5) {
        return false;
    }
    std::size_t initials = 0;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::u32string &w = words[i];
        const std::u32string l = letters(w);
        const bool last = i + 1 == words.size();
        if (last && isSuffix(l) && i >= 2) {
            continue;
        }
        if (isInitials(w) || (w.size() == 1 && isUpper(w.front()) && !last)) {
            ++initials;
            if (last) {
                return false;
            }
        } else if (i > 0 && !last && isParticle(w)) {
            continue;
        } else if (!isNameWord(w) || l.size() < 2) {
            return false;
        }
    }
    return initials < words.size();
}

bool isMarkCharacter(char32_t c)
{
    return isDigit(c) || c == U'*' || c == U'†' || c == U'‡' || c == U'§' || c == U'¶' || c == U'∗' ||
           c == U'⋆' || c == U'#' || c == U'♯' || c == U'✝' || c == U'♮' || c == U'⊥' || c == U'¹' || c == U'²' ||
           c == U'³' || c == U'⁴' || c == U'⁵' || c == U',' || c == U'+';
}

// One cell of a line, its words stripped of the marks that point to notes,
// split into the pieces between commas and joining words.
std::vector<std::vector<std::u32string>> pieces(const std::vector<std::u32string> &words)
{
    std::vector<std::vector<std::u32string>> out(1);
    const auto cut = [&out] {
        if (!out.back().empty()) {
            out.emplace_back();
        }
    };
    for (std::u32string w : words) {
        // "(ann@uni.edu)", web addresses and dashes are no part of a name.
        if (looksLikeContact(w) || w.find(U'@') != std::u32string::npos || w.front() == U'<' || w.back() == U'>' ||
            w == U"-" || w == U"–" || w == U"—" || w == U"|") {
            cut();
            continue;
        }
        bool comma = false;
        while (!w.empty() && (isMarkCharacter(w.back()) || w.back() == U';' || w.back() == U')')) {
            comma = comma || w.back() == U',' || w.back() == U';';
            w.pop_back();
        }
        while (!w.empty() && (isMarkCharacter(w.front()) || w.front() == U'(')) {
            w.erase(w.begin());
        }
        if (w.empty()) {
            cut();
            continue;
        }
        if (isJoiner(w) || (isJoiner(letters(w)) && w.size() <= 3 && isLower(w.front()))) {
            cut();
            continue;
        }
        out.back().push_back(w);
        if (comma) {
            cut();
        }
    }
    if (out.back().empty()) {
        out.pop_back();
    }
    return out;
}

// Words that lead into a line of names: "by", "Authors:".
bool leadsIntoNames(const std::u32string &l)
{
    return isOneOf(l, {U"by", U"author", U"authors", U"autor", U"autoren", U"auteur", U"auteurs", U"written"});
}

struct Cell {
    std::vector<std::u32string> words;
};

// The words of a line, in cells that stand apart by gaps wider than two
// spaces; words smaller than the line (marks that point to notes) end a
// word but are no part of it.
std::vector<Cell> cellsOf(const Line &line)
{
    std::vector<Cell> cells(1);
    const double size = line.size();
    std::u32string word;
    const Word *previous = nullptr;
    const auto endWord = [&] {
        if (!word.empty()) {
            // Letters and accents that TeX sets apart, joined.
            cells.back().words.push_back(normalizeTitle(word));
            word.clear();
        }
    };
    // Ends the name before, as a comma would.
    const auto endName = [&] {
        endWord();
        if (!cells.back().words.empty() && cells.back().words.back().back() != U',') {
            cells.back().words.back() += U',';
        }
    };
    for (const Word &w : line.words) {
        if (previous != nullptr && w.xMin - previous->xMax > tuning::kNameCellGap * size) {
            endWord();
            cells.emplace_back();
        } else if (previous != nullptr && w.xMin - previous->xMax > tuning::kNameGap * size) {
            endName();  // wider than a space: where a mark stood between two names
        }
        if (w.size < tuning::kNoteMarkSize * size) {
            endName();  // a mark that points to a note
        } else {
            for (char32_t c : w.text) {
                if (isSpace(c)) {
                    endWord();
                } else {
                    word += c;
                }
            }
            if (w.spaceAfter) {
                endWord();
            }
        }
        previous = &w;
    }
    endWord();
    return cells;
}

}  // namespace

std::vector<std::u32string> namesOfLine(const Line &line)
{
    std::vector<std::u32string> names;
    for (Cell &cell : cellsOf(line)) {
        while (!cell.words.empty() && leadsIntoNames(letters(cell.words.front()))) {
            cell.words.erase(cell.words.begin());
        }
        const std::vector<std::vector<std::u32string>> parts = pieces(cell.words);
        // Every piece a person's name, but for bodies named among them and,
        // last, the given name of one whose family name goes on to the
        // next line.
        std::vector<const std::vector<std::u32string> *> people;
        bool other = false;
        for (std::size_t k = 0; k < parts.size(); ++k) {
            const std::vector<std::u32string> &p = parts[k];
            if (isName(p)) {
                people.push_back(&p);
            } else if (!namesABody(p) &&
                       !(k + 1 == parts.size() && !people.empty() && p.size() == 1 && isNameWord(p.front()))) {
                other = true;
            }
        }
        if (other || people.empty()) {
            continue;
        }
        for (const std::vector<std::u32string> *p : people) {
            std::u32string name;
            for (const std::u32string &w : *p) {
                name += (name.empty() ? U"" : U" ") + w;
            }
            names.push_back(name);
        }
    }
    return names;
}

std::u32string familyName(const std::u32string &name)
{
    std::vector<std::u32string> words = splitWords(name);
    if (words.size() == 1) {
        const std::u32string &w = words.front();
        return std::all_of(w.begin(), w.end(), isHan) ? w.substr(0, w.size() == 4 ? 2 : 1) : w;
    }
    while (words.size() > 1 && isSuffix(letters(words.back()))) {
        words.pop_back();
    }
    if (words.empty()) {
        return {};
    }
    std::size_t first = words.size() - 1;
    while (first > 1 && (isParticle(words[first - 1]) || isCapitalParticle(words[first - 1]))) {
        --first;
    }
    std::u32string family;
    for (std::size_t i = first; i < words.size(); ++i) {
        family += (family.empty() ? U"" : U" ") + words[i];
    }
    while (!family.empty() && (family.back() == U'.' || family.back() == U',')) {
        family.pop_back();
    }
    return family;
}

AuthorsFound findAuthors(const PageAnalysis &page, const std::vector<std::size_t> &titleParts,
                         const std::u32string &metadata)
{
    AuthorsFound found;
    if (titleParts.empty()) {
        return found;
    }
    const std::size_t firstPart = *std::min_element(titleParts.begin(), titleParts.end());
    const std::size_t lastPart = *std::max_element(titleParts.begin(), titleParts.end());
    const Segment &title = page.segments[lastPart];
    const double reach = tuning::kAuthorsReach * page.height;
    // The names stand above the abstract or the first section, unless
    // that boundary was set by the title itself (a title the outline names).
    const bool boundaryBelow = page.boundary > title.yMax;

    double namesSize = 0;
    std::size_t linesSince = 0;
    struct Placed {
        std::u32string name;
        double baseline, left;
    };
    std::vector<Placed> placed;
    const auto take = [&](const Line &line) {
        const std::vector<std::u32string> names = namesOfLine(line);
        if (names.empty()) {
            return false;
        }
        // Further rows of names are set as the first one; affiliations
        // and places under them, in other type, are not names.
        if (namesSize > 0 && !similarSize(line.size(), namesSize, tuning::kLineSizeTolerance)) {
            return false;
        }
        namesSize = line.size();
        for (const std::u32string &name : names) {
            placed.push_back({name, line.baseline, line.xMin});
        }
        return true;
    };
    std::string where;
    for (std::size_t j = lastPart + 1; j < page.segments.size(); ++j) {
        const Segment &s = page.segments[j];
        if (s.rotation != title.rotation || inMargin(s, page.height)) {
            continue;
        }
        if ((boundaryBelow && page.after(s)) || s.yMin - title.yMax > reach || isRunningText(s, page)) {
            break;
        }
        for (const Line &line : s.lines) {
            if (take(line)) {
                linesSince = 0;
                where = "under the title";
            } else if (!found.names.empty() && ++linesSince > tuning::kAuthorsLinesBetweenRows) {
                break;
            }
        }
        if (linesSince > tuning::kAuthorsLinesBetweenRows) {
            break;
        }
    }
    // Some layouts set the names above the title.
    if (placed.empty()) {
        const Segment &head = page.segments[firstPart];
        for (std::size_t j = firstPart; j-- > 0;) {
            const Segment &s = page.segments[j];
            if (s.rotation != head.rotation || inMargin(s, page.height)) {
                continue;
            }
            if (head.yMin - s.yMax > reach / 2) {
                break;
            }
            if (!s.lines.empty() && take(s.lines.back())) {
                where = "above the title";
                break;
            }
        }
    }
    // Names in columns are read row by row, left to right, whatever order
    // the columns were laid out in.
    std::stable_sort(placed.begin(), placed.end(),
                     [](const Placed &a, const Placed &b) { return a.baseline < b.baseline; });
    for (std::size_t row = 0; row < placed.size();) {
        std::size_t end = row + 1;
        const double reach = tuning::kNameRowBaseline * namesSize;
        while (end < placed.size() && placed[end].baseline - placed[row].baseline < reach) {
            ++end;
        }
        const auto first = placed.begin() + static_cast<std::ptrdiff_t>(row);
        std::stable_sort(first, first + static_cast<std::ptrdiff_t>(end - row),
                         [](const Placed &a, const Placed &b) { return a.left < b.left; });
        row = end;
    }
    for (const Placed &p : placed) {
        found.names.push_back(p.name);
        found.families.push_back(familyName(p.name));
    }
    if (!found.names.empty()) {
        found.where = "page " + std::to_string(page.number) + ", " + where;
        if (!metadata.empty()) {
            const std::u32string folded = foldForMatch(metadata);
            const bool agrees = folded.find(foldForMatch(found.families.front())) != std::u32string::npos;
            found.where += agrees ? "; the metadata agrees" : "; the metadata names others";
        }
    }
    return found;
}

std::u32string metadataAuthors(PDFDoc &doc, const std::string &xmp)
{
    const std::u32string info = fromTextString(doc.getDocInfoAuthor().get());
    const std::size_t creator = xmp.find("<dc:creator");
    const std::size_t end = xmp.find("</dc:creator>", creator);
    if (!info.empty() || creator == std::string::npos || end == std::string::npos) {
        return normalizeTitle(info);
    }
    // The names between the tags, the markup left out.
    std::string text;
    bool inTag = false;
    for (std::size_t i = creator; i < end; ++i) {
        if (xmp[i] == '<') {
            inTag = true;
            text += ' ';
        } else if (xmp[i] == '>') {
            inTag = false;
        } else if (!inTag) {
            text += xmp[i];
        }
    }
    return normalizeTitle(fromUtf8(text));
}

bool isRunningText(const Segment &s, const PageAnalysis &page)
{
    return s.size <= tuning::kTextSize * page.bodySize && !s.bold && s.lines.size() >= tuning::kParagraphLines &&
           s.text.size() >= tuning::kParagraphCharacters &&
           s.text.size() >= tuning::kParagraphLineCharacters * s.lines.size();
}

void readAuthorsAndYear(PDFDoc &doc, const std::string &xmp, const std::vector<PageAnalysis> &pages,
                        const PageAnalysis &titlePage, const std::vector<std::size_t> &titleParts,
                        RefinedExtraction &out)
{
    const AuthorsFound authors = findAuthors(titlePage, titleParts, metadataAuthors(doc, xmp));
    for (std::size_t i = 0; i < authors.names.size(); ++i) {
        out.authors.push_back(toUtf8(authors.names[i]));
        out.families.push_back(toUtf8(authors.families[i]));
    }
    out.authorsWhere = authors.where;
    const YearFound year = findYear(pages, fromUtf8(out.title), metadataYears(doc, xmp), latestYear());
    out.year = year.year > 0 ? std::to_string(year.year) : std::string();
    out.yearWhere = year.where;
}

}  // namespace tidemark::refined
