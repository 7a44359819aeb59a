#include "cli/TitleRules.h"

#include <cstdio>

#include "cli/Commands.h"
#include "title/TitleExtractor.h"
#include "title/refined/RefinedTitle.h"

#ifdef _WIN32
#include "rename/win32/AnsiCodePage.h"
#endif

namespace tidemark::cli {

namespace {

std::string displayUtf8(const std::string &utf8)
{
#ifdef _WIN32
    const std::string ansi = ansiFromUtf8Title(utf8);
    return ansi.empty() ? utf8 : ansi;
#else
    return utf8;
#endif
}

// At most `limit` characters of a UTF-8 text, cut where a character begins.
std::string clip(const std::string &utf8, std::size_t limit)
{
    std::size_t chars = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80 && chars++ == limit) {
            return utf8.substr(0, i) + "...";
        }
    }
    return utf8;
}

}  // namespace

bool parseRuleOption(const std::string &arg, const char *command, Rule &rule, bool &bad)
{
    const std::string prefix = "--rule=";
    if (arg.rfind(prefix, 0) != 0) {
        return false;
    }
    const std::string name = arg.substr(prefix.size());
    if (name == "layout") {
        rule = Rule::kLayout;
    } else if (name == "refined") {
        rule = Rule::kRefined;
    } else {
        std::fprintf(stderr, "tidemark %s: unknown rule '%s' (layout or refined)\n", command, name.c_str());
        bad = true;
    }
    return true;
}

TitleSource titleSource(Rule rule)
{
    if (rule == Rule::kRefined) {
        return [](const std::string &path) { return extractRefinedTitle(path).title; };
    }
    return {};  // the renamer's own default, the layout rule
}

TitleEncoding titleEncoding(Rule rule)
{
    return rule == Rule::kRefined ? TitleEncoding::kUtf8 : TitleEncoding::kLatin1;
}

std::string displayTitle(Rule rule, const std::string &title)
{
    return rule == Rule::kRefined ? displayUtf8(title) : displayText(title);
}

bool printExplanation(const std::string &file)
{
    const RefinedExtraction r = extractRefinedTitle(file);
    std::printf("%s: %d page%s read\n", file.c_str(), r.pagesRead, r.pagesRead == 1 ? "" : "s");
    for (const std::string &fact : r.facts) {
        std::printf("%s\n", displayUtf8(fact).c_str());
    }
    if (!r.candidates.empty()) {
        std::printf("%4s %7s %5s %6s  %s\n", "page", "size", "top", "score", "text -- verdict");
    }
    for (const RefinedCandidate &c : r.candidates) {
        std::printf("%4d %5.1fpt %5.0f %6.2f  \"%s\" -- %s\n", c.page, c.size, c.top, c.score,
                    displayUtf8(clip(c.text, 60)).c_str(), c.verdict.c_str());
    }
    if (r.notShown > 0) {
        std::printf("(%d blocks in the size of the running text or smaller not shown)\n", r.notShown);
    }
    std::string authors;
    for (std::size_t i = 0; i < r.authors.size(); ++i) {
        authors += (i > 0 ? "; " : "") + r.authors[i] + " (" + r.families[i] + ")";
    }
    std::printf("authors: %s%s\n", authors.empty() ? "none shown" : displayUtf8(authors).c_str(),
                r.authorsWhere.empty() ? "" : displayUtf8(" -- " + r.authorsWhere).c_str());
    std::printf("year: %s%s\n", r.year.empty() ? "none shown" : r.year.c_str(),
                r.yearWhere.empty() ? "" : displayUtf8(" -- " + r.yearWhere).c_str());
    std::printf("title: %s\n", displayUtf8(r.title).c_str());
    std::fflush(stdout);
    return !r.title.empty();
}

}  // namespace tidemark::cli
