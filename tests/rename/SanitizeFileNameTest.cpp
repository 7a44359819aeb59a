#include <string>

#include <gtest/gtest.h>

#include "rename/CodePage.h"
#include "rename/TargetName.h"
#include "rename/Utf8Title.h"

namespace tidemark {
namespace {

struct Case {
    const char *title;
    const char *stem;
};

std::string sanitized(std::string text, const CodePage &cp)
{
    SanitizeFileName(text, cp);
    return text;
}

const SingleByteCodePage kSingle;
const CodePage936 kChinese;

TEST(SanitizeFileName, TitlesAsPeopleWriteThem)
{
    const Case cases[] = {
        {"Deep Learning: A Review", "Deep Learning - A Review"},
        {"Is P = NP?", "Is P = NP"},
        {"Why? And How?", "Why And How"},
        {"Foo/Bar\\Baz", "Foo-Bar-Baz"},
        {"He said \"no\"", "He said 'no'"},
        {"  Padded Title\t\n", "Padded Title"},
        // Characters that only some systems refuse stay for the move to judge.
        {"a<b>c|d", "a<b>c|d"},
        {"Tab\tinside", "Tab\tinside"},
        {"Line one\r\nline two", "Line one line two"},
        {"Old\rMac", "Old Mac"},
        {"Unix\nbreak", "Unix break"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(sanitized(c.title, kSingle), c.stem) << c.title;
    }
}

TEST(SanitizeFileName, LetterSpacedWordsAreJoined)
{
    const Case cases[] = {
        {"T h e M o d e l", "The Model"},
        {"A n a l y s i s of data", "Analysis of data"},
        {"a b c", "abc"},
        {"ab c d", "abcd"},
        // A lower-case letter alone at the end joins the word before it.
        {"Vitamin c", "Vitaminc"},
        {"Vitamin c ", "Vitaminc"},  // trimmed before the spacing is looked at
        {"Vitamin C", "Vitamin C"},
        // Single-letter words inside ordinary text stay apart.
        {"Model of a cell", "Model of a cell"},
        {"I am a man", "I am a man"},
        {"Part a of b is c here", "Part a of b is c here"},
        // A space after a hyphen is kept.
        {"Low- and high-tide", "Low- and high-tide"},
        {"x- y", "x- y"},
        // Question marks are gone before the spacing is looked at.
        {"T h e? M o d e l", "The Model"},
        {"a", "a"},
        {" a", "a"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(sanitized(c.title, kSingle), c.stem) << c.title;
    }
}

TEST(SanitizeFileName, EndsOfTheText)
{
    const Case cases[] = {
        {"Caf\xE9", "Caf"},
        // Only one byte above 0x7F goes.
        {"Two \xE9\xE9", "Two \xE9"},
        {"Dangling -\xE9", "Dangling"},
        {"Ends with dash-*", "Ends with dash-"},
        {"Star then dash*-", "Star then dash"},
        {"Hyphen-", "Hyphen"},
        {"Double--", "Double-"},
        {"Stars **", "Stars"},
        {"Mid*dle", "Middle"},
        {"???", ""},
        {"?*?", ""},
        {"**", ""},
        {"-", ""},
        {"\xE9", ""},
        {" \t ", ""},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(sanitized(c.title, kSingle), c.stem) << c.title;
    }
}

TEST(SanitizeFileName, LigaturesAndStrayCodes)
{
    const Case cases[] = {
        {"Of\x0C"
         "ce",
         "Office"},
        {"E\x0B"
         "ect",
         "Effect"},
        {"\xEF\xAC\x82\x61t Plates", "flat Plates"},
        {"Speci\xEF\xAC\x81\x63 Heat", "Specific Heat"},
        {"Over\xEF\xAC\x82ow", "Overflow"},
        {"Pr\xF6\x62lem", "Problem"},
        {"~4ave Energy", "Wave Energy"},
        {"X\xAD\x42ig", "X-Big"},
        {"Sea\xADlevel", "Sea-level"},
        {"Brand\xAE Name", "Brand(C) Name"},
        {"Sch\xA8 ner Tag", "Schoner Tag"},
        {"Sch\xA8ner", "Schoner"},
        {"\xA1\xB0Quoted\xA1\xB1 Words", "'Quoted' Words"},
        // The byte pair E2 88 goes, also where removing it makes a new pair.
        {"x \xE2\x88\x88 z", "x \x88z"},
        {"\xE2\xE2\x88\x88z", "z"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(sanitized(c.title, kSingle), c.stem) << c.title;
    }
}

TEST(SanitizeFileName, DoubleByteMatchesBeginOnCharacters)
{
    const struct {
        const char *title;
        const char *single;   // plain byte matching
        const char *chinese;  // code page 936
    } cases[] = {
        // 0x95 0x5C is one character whose second byte is a backslash.
        {"Data\x95\x5Cset", "Data\x95-set", "Data\x95\x5Cset"},
        {"\x95\x5C\\x", "\x95--x", "\x95\x5C-x"},
        {"A\x81:B", "A\x81 -B", "A\x81:B"},
        {"A\x81?B", "A\x81" "B", "A\x81?B"},
        {"A\x81\xE2\x88Z", "A\x81Z", "A\x81\xE2\x88Z"},
        // Lead bytes of their own: the sequence is one character and matches.
        {"\xA1\xB0Hi\xA1\xB1s", "'Hi's", "'Hi's"},
        {"Pr\xF6\x62lem", "Problem", "Problem"},
        // A trail byte 0xA1 does not open the quote pair.
        {"\x81\xA1\xB0x", "\x81'x", "\x81\xA1\xB0x"},
        // The soft hyphen row matches a lead byte alone; the colon was its
        // trail byte when the colon row ran, so it stays.
        {"A\xAD:B", "A- -B", "A-:B"},
        // After a match of a lead byte alone the search goes on after its
        // character: the trail byte is neither matched nor changed.
        {"X\xAE\xAE\xAEY", "X(C)(C)(C)Y", "X(C)\xAE(C)Y"},
        {"x\xA8\xA1\xA8\xA1y", "xo\xA1o\xA1y", "xo\xA1o\xA1y"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(sanitized(c.title, kSingle), c.single) << c.title;
        EXPECT_EQ(sanitized(c.title, kChinese), c.chinese) << c.title;
    }
}

TEST(FindInText, NeverStartsOnATrailByte)
{
    const std::string text = "\x81\x5C\\\x81\x5C";
    EXPECT_EQ(FindInText(text, "\\", 0, kSingle), 1u);
    EXPECT_EQ(FindInText(text, "\\", 0, kChinese), 2u);
    EXPECT_EQ(FindInText(text, "\\", 3, kChinese), std::string::npos);
    EXPECT_EQ(FindInText(text, "\x5C\x81", 0, kChinese), 2u);
    EXPECT_EQ(FindInText("ab", "abc", 0, kSingle), std::string::npos);
}

TEST(GetLowerExtension, FromTheLastDot)
{
    const Case cases[] = {
        {"paper.v2.PDF", ".pdf"},
        {"README", "readme"},
        {"Paper.Pdf", ".pdf"},
        {".PDF", ".pdf"},
        {"trailing.", "."},
        {"CAF\xC3\x89.PDF", ".pdf"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(GetLowerExtension(c.title, kSingle), c.stem) << c.title;
    }
}

TEST(GetLowerExtension, DoubleByteDotsAndLetters)
{
    // The last dot is the second byte of a character: the dot before it counts.
    EXPECT_EQ(GetLowerExtension("doc.PDF\x81.X", kSingle), ".x");
    EXPECT_EQ(GetLowerExtension("doc.PDF\x81.X", kChinese), ".pdf\x81.x");
    // A trail byte in A-Z is no letter.
    EXPECT_EQ(GetLowerExtension("a.\x81\x41" "B", kChinese), ".\x81\x41" "b");
    EXPECT_EQ(GetLowerExtension("a.\x81\x41" "B", kSingle), ".\x81\x61" "b");
}

// The removals must leave what removing one occurrence at a time, each
// searched from the start, leaves; texts made only of the removed bytes, a
// lead byte and a letter reach no other step but the end trimming.
TEST(SanitizeFileName, RemovalsMatchOneAtATimeFromTheStart)
{
    const auto reference = [](std::string text, const CodePage &cp) {
        if (!text.empty() && static_cast<unsigned char>(text.back()) >= 0x80) {
            text.pop_back();
        }
        if (!text.empty() && text.back() == '*') {
            text.pop_back();
        }
        for (const std::string needle : {"?", "*", "\xE2\x88"}) {
            for (std::size_t p; (p = FindInText(text, needle, 0, cp)) != std::string::npos;) {
                text.erase(p, needle.size());
            }
        }
        return text;
    };
    const char alphabet[] = {'?', '*', '\xE2', '\x88', '\x81', 'x'};
    unsigned h = 12345;
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        for (int n = 1 + round % 12; n > 0; --n) {
            h = h * 1103515245u + 12345u;
            text += alphabet[(h >> 16) % sizeof alphabet];
        }
        for (const CodePage *cp : {static_cast<const CodePage *>(&kSingle), static_cast<const CodePage *>(&kChinese)}) {
            EXPECT_EQ(sanitized(text, *cp), reference(text, *cp)) << ::testing::PrintToString(text);
        }
    }
}

TEST(SanitizeUtf8Title, TitlesInAnyScript)
{
    const Case cases[] = {
        {"Deep Learning: A Review", "Deep Learning - A Review"},
        {"Is P = NP?", "Is P = NP"},
        {"Foo/Bar\\Baz", "Foo-Bar-Baz"},
        {"He said \"no\"", "He said 'no'"},
        {"a<b>c|d", "a<b>c|d"},
        // Letters of any script stay whole, bytes above 0x7F included.
        {"Caf\xC3\xA9 cr\xC3\xA8me", "Caf\xC3\xA9 cr\xC3\xA8me"},
        {"\xCE\x9C\xCE\xB5\xCE\xBB\xCE\xAD\xCF\x84\xCE\xB7", "\xCE\x9C\xCE\xB5\xCE\xBB\xCE\xAD\xCF\x84\xCE\xB7"},
        {"R \xE3\x82\xB3\xE3\x83\x9E\xE3\x83\xB3\xE3\x83\x80\xE3\x83\xBC\xE5\x85\xA5\xE9\x96\x80",
         "R \xE3\x82\xB3\xE3\x83\x9E\xE3\x83\xB3\xE3\x83\x80\xE3\x83\xBC\xE5\x85\xA5\xE9\x96\x80"},
        // A fullwidth colon and solidus are separators too.
        {"A\xEF\xBC\x9A B\xEF\xBC\x8F C", "A - B- C"},
        // Spaces of every width and control characters are one space.
        {"Tab\tand\xC2\xA0no-break\x01x", "Tab and no-break x"},
        {"  Padded \r\n title  ", "Padded title"},
        // Dots at either end go, and dashes at the end.
        {"...hidden", "hidden"},
        {"Ends with dots...", "Ends with dots"},
        {"Hyphen-", "Hyphen"},
        // Bytes that are not UTF-8 are dropped, the letters around them kept.
        {"Bad\xE9" "byte \xC3", "Badbyte"},
        {"???", ""},
        {"\xEF\xBB\xBF", ""},
    };
    for (const Case &c : cases) {
        std::string text = c.title;
        SanitizeUtf8Title(text);
        EXPECT_EQ(text, c.stem) << c.title;
    }
}

}  // namespace
}  // namespace tidemark
