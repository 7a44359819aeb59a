#include "title/TitleChoice.h"

#include <gtest/gtest.h>

namespace tidemark {
namespace {

TitleBlock block(int size, int page, std::vector<std::string> lines)
{
    return {size, page, std::move(lines)};
}

TEST(TitleHelpers, JoinLinesLongestWordAndIncomplete)
{
    EXPECT_EQ(joinLines({}), "");
    EXPECT_EQ(joinLines({"a", "b c", ""}), "a b c ");
    EXPECT_EQ(longestWordLength(""), 0u);
    EXPECT_EQ(longestWordLength("A. B. C"), 2u);
    EXPECT_EQ(longestWordLength("x  yz\tw"), 4u);  // tabs do not separate
    EXPECT_TRUE(looksIncomplete("Rip:"));
    EXPECT_TRUE(looksIncomplete("A Guide TO"));
    EXPECT_FALSE(looksIncomplete(" to"));  // 4 bytes or fewer
    EXPECT_FALSE(looksIncomplete("a to"));
    EXPECT_TRUE(looksIncomplete("go to"));
    EXPECT_FALSE(looksIncomplete("Toronto"));
    EXPECT_FALSE(looksIncomplete(""));
}

struct ChoiceCase {
    const char *name;
    TitleBlockList blocks;
    int abstractPage;
    std::string title;
};

TEST(ChooseTitle, Cases)
{
    const ChoiceCase cases[] = {
        {"largest block on the title page", {block(10, 1, {"body"}), block(17, 1, {"Title"}), block(12, 1, {"Au"})},
         1, "Title"},
        {"two 17 blocks joined in collection order",
         {block(17, 1, {"First part"}), block(17, 1, {"second part"}), block(10, 1, {"x"})}, 1,
         "First part second part"},
        {"decorative initial skipped", {block(48, 1, {"M"}), block(19, 1, {"Real Title"})}, 1, "Real Title"},
        {"two bytes are too short for a title", {block(30, 1, {"Ab"}), block(19, 1, {"Real Title"})}, 1,
         "Real Title"},
        {"three bytes are a title", {block(30, 1, {"Abc"}), block(19, 1, {"Real Title"})}, 1, "Abc"},
        {"only the heading page counts", {block(28, 1, {"Report Series"}), block(18, 2, {"Paper"})}, 2, "Paper"},
        {"same size on a later page is appended",
         {block(20, 1, {"Title"}), block(10, 1, {"body"}), block(20, 2, {"Running head"})}, 1,
         "Title Running head"},
        {"same size on an earlier page is not", {block(20, 1, {"Cover"}), block(20, 2, {"Title"})}, 2, "Title"},
        {"run block of initials left out, run goes on",
         {block(20, 1, {"Title"}), block(20, 1, {"A B C"}), block(20, 1, {"More"})}, 1, "Title More"},
        {"colon: skip follow-up, append the next",
         {block(20, 1, {"Rips:"}), block(14, 1, {"Authors"}), block(13, 1, {"Observed"}), block(9, 1, {"x"})}, 1,
         "Rips: Observed"},
        {"colon with the follow-up last keeps the colon", {block(20, 1, {"Rips:"}), block(14, 1, {"Authors"})}, 1,
         "Rips:"},
        {"ends in to", {block(20, 1, {"A Guide to"}), block(14, 1, {"Au"}), block(12, 1, {"Tides"})}, 1,
         "A Guide to Tides"},
        {"four bytes ending in to stay", {block(20, 1, {"A to"}), block(14, 1, {"Au"}), block(12, 1, {"Tides"})},
         1, "A to"},
        {"only the last full stop goes", {block(20, 1, {"Title.."})}, 1, "Title."},
        {"two-byte text when nothing longer", {block(20, 1, {"A."}), block(10, 2, {"Later page"})}, 1, "A"},
        {"no block on page 1", {block(20, 2, {"Second page"})}, 1, ""},
        {"empty list", {}, 1, ""},
    };
    for (ChoiceCase c : cases) {
        EXPECT_EQ(chooseTitle(c.blocks, c.abstractPage), c.title) << c.name;
    }
}

TEST(ChooseTitle, SortsTheListInPlaceStably)
{
    TitleBlockList blocks{block(10, 1, {"a"}), block(20, 1, {"Title"}), block(10, 1, {"b"})};
    chooseTitle(blocks, 1);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].lines[0], "Title");
    EXPECT_EQ(blocks[1].lines[0], "a");
    EXPECT_EQ(blocks[2].lines[0], "b");
}

}  // namespace
}  // namespace tidemark
