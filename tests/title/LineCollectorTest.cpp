#include "title/LineCollector.h"

#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tidemark {
namespace {

// Feeds lines as the page text delivery would: size first, then the text.
struct Feed {
    CollectorState state;

    bool line(double size, const std::string &text)
    {
        state.currentLineFontSize = size;
        return collectLine(state, text.data(), static_cast<int>(text.size()));
    }
    // A line that follows one whose final hyphen the delivery dropped.
    bool carryOn(double size, const std::string &text)
    {
        state.continuesLine = true;
        const bool goOn = line(size, text);
        state.continuesLine = false;
        return goOn;
    }
    void page() { ++state.pageNumber; }

    std::vector<std::pair<int, std::vector<std::string>>> blocks() const
    {
        std::vector<std::pair<int, std::vector<std::string>>> out;
        for (const TitleBlock &b : state.blocks) {
            out.push_back({b.fontSize, b.lines});
        }
        return out;
    }
};

TEST(IsAbstractHeading, MatchesTheFirstEightLettersInAnyCase)
{
    for (const char *yes : {"Abstract", "ABSTRACT", "abstract:", "Abstract.", "AbstractWe study", "Abstraction",
                            "ABSTRACTS", "abStract - x"}) {
        EXPECT_TRUE(isAbstractHeading(yes, static_cast<int>(std::char_traits<char>::length(yes)))) << yes;
    }
    for (const char *no : {"Abstrac", "An abstract", " Abstract", "Summary", ""}) {
        EXPECT_FALSE(isAbstractHeading(no, static_cast<int>(std::char_traits<char>::length(no)))) << no;
    }
    // Only the given length counts, not the terminator.
    EXPECT_FALSE(isAbstractHeading("Abstract", 7));
}

TEST(CollectLine, DropsSeparatorsAndLinesNotBeginningWithAnAsciiLetter)
{
    Feed f;
    f.page();
    for (const char *s : {" ", "\r\n", "\x0c", "1 Introduction", "\xc9tude", "* bullet", "(a) item"}) {
        EXPECT_TRUE(f.line(30, s));
    }
    EXPECT_TRUE(f.state.blocks.empty());
    // A dropped line does not count as a size change for the next kept one.
    EXPECT_EQ(f.state.lastLineFontSize, 0.0);
    EXPECT_TRUE(f.line(12, "Title"));
    EXPECT_TRUE(collectLine(f.state, "Zero length", 0));
    EXPECT_EQ(f.blocks(), (decltype(f.blocks()){{12, {"Title"}}}));
}

TEST(CollectLine, GroupsRunsOfOneSizeWithTruncatedSizes)
{
    Feed f;
    f.page();
    f.line(17.93, "Big title");
    f.line(17.93, "second line");
    f.line(12.0, "Author");
    f.line(12.4, "Other author");  // differs from 12.0 and from the stored 12
    f.line(9.0, "Body");
    f.line(9.6, "Body larger");  // opens a second "9" block
    f.line(9.0, "Body again");   // equals the stored 9: joins it
    EXPECT_EQ(f.blocks(), (decltype(f.blocks()){{17, {"Big title", "second line"}},
                                                 {12, {"Author"}},
                                                 {12, {"Other author"}},
                                                 {9, {"Body"}},
                                                 {9, {"Body larger", "Body again"}}}));
}

TEST(CollectLine, SizesBeyondAnyTypeAreHeldAtTheEndsOfTheRange)
{
    // Damaged files deliver such sizes; converting them to int must not be
    // undefined.
    Feed f;
    f.page();
    f.line(1.02222e+122, "Huge");
    f.line(-1e300, "Negative");
    f.line(std::numeric_limits<double>::infinity(), "Infinite");
    f.line(std::numeric_limits<double>::quiet_NaN(), "Not a number");
    f.line(12.9, "Normal");
    EXPECT_EQ(f.blocks(), (decltype(f.blocks()){{std::numeric_limits<int>::max(), {"Huge"}},
                                                 {std::numeric_limits<int>::min(), {"Negative"}},
                                                 {std::numeric_limits<int>::max(), {"Infinite"}},
                                                 {0, {"Not a number"}},
                                                 {12, {"Normal"}}}));
}

TEST(CollectLine, EqualSizesExtendABlockAcrossPages)
{
    Feed f;
    f.page();
    f.line(10, "page one");
    f.page();
    f.line(10, "page two");
    f.line(14, "Heading");
    ASSERT_EQ(f.state.blocks.size(), 2u);
    EXPECT_EQ(f.state.blocks[0].page, 1);
    EXPECT_EQ(f.state.blocks[0].lines.size(), 2u);
    EXPECT_EQ(f.state.blocks[1].page, 2);
}

TEST(CollectLine, StopsAtTheHeadingButNotAtTheFirstKeptLine)
{
    Feed f;
    f.page();
    EXPECT_TRUE(f.line(14, "Abstract first line is kept"));
    EXPECT_TRUE(f.line(10, "body"));
    f.page();
    EXPECT_FALSE(f.line(10, "ABSTRACTS"));
    EXPECT_TRUE(f.state.stopRequested);
    EXPECT_EQ(f.state.abstractPage, 2);
    EXPECT_EQ(f.blocks(), (decltype(f.blocks()){{14, {"Abstract first line is kept"}}, {10, {"body"}}}));
}

TEST(CollectLine, CarriesOnOnlyAStoredHyphenatedLine)
{
    // The layouts behind these rules are in ExtractTitle.LineEndingInAHyphen;
    // here the cases that a layout cannot pin down.
    Feed f;
    f.page();
    f.line(18, "Hydro");
    f.carryOn(17.6, "dynamic Models");  // another size, but the same word
    f.line(18, "of Reefs");
    // A lone "-" delivers no bytes once its hyphen is dropped: it is not a
    // stored line that the next could carry on.
    f.line(10, "Electro");
    f.carryOn(10, "");
    f.carryOn(10, "magnetic Waves");
    EXPECT_EQ(f.blocks(),
              (decltype(f.blocks()){{18, {"Hydrodynamic Models", "of Reefs"}}, {10, {"Electro", "magnetic Waves"}}}));
}

}  // namespace
}  // namespace tidemark
