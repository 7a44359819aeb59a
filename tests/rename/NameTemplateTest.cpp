// Name templates: what a template makes of a paper's fields, and what is no
// template at all.
#include "rename/NameTemplate.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tidemark {
namespace {

const std::string kTitle = "Tidal Mixing in Shallow Estuaries";

// Words of five letters and a space: `n` of them make 6n - 1 bytes.
std::string words(std::size_t n)
{
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        out += (i > 0 ? " w" : "w") + std::string(1, static_cast<char>('a' + i % 26)) + "xyz";
    }
    return out;
}

struct NameRow {
    const char *name;
    std::string pattern;
    NameFields fields;
    std::string expected;  // the stem; for a template that is none, a part of why
    bool valid = true;
};

void PrintTo(const NameRow &row, std::ostream *os)
{
    *os << row.name;
}

class NameTemplates : public ::testing::TestWithParam<NameRow> {};

TEST_P(NameTemplates, MakeNamesOrSayWhyNot)
{
    const NameRow &row = GetParam();
    std::string why = "sentinel";
    const std::optional<NameTemplate> t = NameTemplate::parse(row.pattern, why);
    EXPECT_EQ(CheckNameTemplate(row.pattern).empty(), row.valid);
    if (!row.valid) {
        ASSERT_FALSE(t);
        EXPECT_NE(why.find(row.expected), std::string::npos) << why;
        return;
    }
    ASSERT_TRUE(t) << why;
    EXPECT_EQ(t->text(), row.pattern);
    const std::string name = t->render(row.fields);
    EXPECT_EQ(name, row.expected);
    EXPECT_LE(name.size(), NameTemplate::kMaxStemBytes);
}

const NameFields kAll{kTitle, {"Smith", "Jones"}, "2019"};
const NameFields kNoYear{kTitle, {"Smith"}, ""};
const NameFields kTitleOnly{kTitle, {}, ""};
const std::string kBrackets = "[{author} ][{year} - ]{title}";

const NameRow kRows[] = {
    // the fields and the brackets
    {"titleAlone", "{title}", kAll, kTitle},
    {"everyField", kBrackets, kAll, "Smith 2019 - " + kTitle},
    {"noYear", kBrackets, kNoYear, "Smith " + kTitle},
    {"yearWithinAuthor", "[{author}[ {year}] - ]{title}", kAll, "Smith 2019 - " + kTitle},
    {"noYearWithinAuthor", "[{author}[ {year}] - ]{title}", kNoYear, "Smith - " + kTitle},
    {"noAuthorAroundYear", "[{author}[ {year}] - ]{title}", NameFields{kTitle, {}, "2019"}, kTitle},
    {"noAuthorNoYear", kBrackets, kTitleOnly, kTitle},
    {"fieldOutsideBrackets", "{author} - {title}", kTitleOnly, "- " + kTitle},
    {"twoFieldsOneGroup", "[{author} {year} - ]{title}", kNoYear, kTitle},
    {"titleFirst", "{title} ({year})", kAll, kTitle + " (2019)"},
    {"firstWords", "{title:2} {year}", kAll, "Tidal Mixing 2019"},
    {"moreWordsThanTheTitle", "{title:9}", kAll, kTitle},
    {"noTitle", kBrackets, NameFields{"", {"Smith"}, "2019"}, ""},
    {"titleOfMarksOnly", kBrackets, NameFields{"???", {"Smith"}, "2019"}, ""},
    // {authors}: how many names and how they are joined
    {"oneAuthor", "{authors} - {title}", NameFields{"T", {"Smith"}, ""}, "Smith - T"},
    {"twoAuthors", "{authors} - {title}", NameFields{"T", {"Smith", "Jones"}, ""}, "Smith and Jones - T"},
    {"threeAuthors", "{authors} - {title}", NameFields{"T", {"Smith", "Jones", "Lee"}, ""},
     "Smith, Jones and Lee - T"},
    {"fourAuthors", "{authors} - {title}", NameFields{"T", {"Smith", "Jones", "Lee", "Ek"}, ""},
     "Smith, Jones, Lee et al. - T"},
    // the whole name is cleaned as a title is
    {"colonAndSlash", "{author}: {title}", NameFields{"Rip Currents/Drifters", {"O'Neil"}, ""},
     "O'Neil - Rip Currents-Drifters"},
    {"quotesAndMarks", "{title}", NameFields{"Is P = \"NP\"?", {}, ""}, "Is P = 'NP'"},
    // the length of a name: the title loses words, the other fields none
    // 13 bytes of author and year, 238 of title: 251 in all.
    {"fitsExactly", "{author} {year} - {title}", NameFields{words(39) + " wxyz", {"Smith"}, "2019"},
     "Smith 2019 - " + words(39) + " wxyz"},
    {"oneByteOver", "{author} {year} - {title}", NameFields{words(39) + " wxyza", {"Smith"}, "2019"},
     "Smith 2019 - " + words(39)},
    // 239 bytes of title and " (2019)": the year after the title stays too.
    {"yearAfterALongTitle", "{title} ({year})", NameFields{words(42), {}, "2019"}, words(40) + " (2019)"},
    {"cutAfterAColon", "{year} {title}", NameFields{words(41) + ": " + words(3), {}, "2019"}, "2019 " + words(41)},
    {"oneLongWord", "{author} - {title}", NameFields{std::string(300, 'x'), {"Smith"}, ""},
     "Smith - " + std::string(243, 'x')},
    {"longWordOfTwoByteLetters", "{title}",
     NameFields{[] {
                    std::string s;
                    for (int i = 0; i < 200; ++i) {
                        s += "\xC3\xA9";
                    }
                    return s;
                }(),
                {}, ""},
     [] {
         std::string s;
         for (int i = 0; i < 125; ++i) {
             s += "\xC3\xA9";
         }
         return s;
     }()},
    // what is no template
    {"unknownField", "{journal} {title}", kAll, "unknown field '{journal}'", false},
    {"withoutTitle", "{author} {year}", kAll, "has no {title}", false},
    {"titleZeroWords", "{title:0}", kAll, "unknown field '{title:0}'", false},
    {"titleWordsNotANumber", "{title:x}", kAll, "unknown field '{title:x}'", false},
    {"openBrace", "{author {title}", kAll, "unknown field", false},
    {"unclosedBrace", "{title", kAll, "'{' without its '}'", false},
    {"strayCloseBrace", "{title}}", kAll, "'}' without its '{'", false},
    {"unclosedBracket", "[{author} {title}", kAll, "'[' without its ']'", false},
    {"strayBracket", "{title}]", kAll, "']' without its '['", false},
    {"unclosedInner", "[[{author} ]{title}", kAll, "'[' without its ']'", false},
};

INSTANTIATE_TEST_SUITE_P(Rules, NameTemplates, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<NameRow> &info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tidemark
