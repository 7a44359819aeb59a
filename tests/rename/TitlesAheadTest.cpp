// Titles read ahead are handed over for whatever path is asked for, in any
// order, with the library's messages about each file together and named.
#include "rename/TitlesAhead.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RenameTestSupport.h"
#include "TempDir.h"

namespace tidemark {
namespace {

TEST(TitlesAhead, AnswersEveryAskInAnyOrder)
{
    TempDir dir;
    const std::string a = dir.file("a.pdf"), b = dir.file("b.pdf"), c = dir.file("c.pdf"), d = dir.file("d.pdf"),
                      extra = dir.file("extra.pdf");
    testing::writePaper(a, "Alpha Paper");
    writeFileBytes(b, "not a pdf at all");
    testing::writePaper(c, "Gamma Paper");
    testing::writePaper(d, "Delta Paper");
    testing::writePaper(extra, "Extra Paper");
    // Two jobs read no further ahead than this: a and the fillers, not b.
    std::vector<std::string> fillers;
    for (std::size_t i = 1; i < 2 * TitlesAhead::kAheadPerJob; ++i) {
        fillers.push_back(dir.file("x" + std::to_string(i) + ".pdf"));
        testing::writePaper(fillers.back(), "Filler Paper");
    }

    std::vector<std::string> messages;
    setErrorSink([&messages](const std::string &m) { messages.push_back(m); });
    {
        TitlesAhead titles({}, 2);
        titles.queue(a);
        for (const std::string &filler : fillers) {
            titles.queue(filler);
        }
        for (const std::string &path : {b, c, d}) {
            titles.queue(path);
        }
        struct Ask {
            const std::string &path;
            const char *title;
        };
        // c first leaves b unread and a read; extra was never queued; c
        // and d come again after being asked for or settled.
        const Ask asks[] = {{c, "Gamma Paper"}, {b, ""}, {extra, "Extra Paper"}, {a, "Alpha Paper"},
                            {d, "Delta Paper"}, {c, "Gamma Paper"}};
        for (const Ask &ask : asks) {
            messages.clear();
            EXPECT_EQ(titles.title(ask.path), ask.title) << ask.path;
            if (ask.path == b) {
                ASSERT_FALSE(messages.empty());
                for (const std::string &m : messages) {
                    EXPECT_EQ(m.rfind(b + ": ", 0), 0u) << m;
                }
            } else {
                EXPECT_TRUE(messages.empty()) << ask.path << ": " << messages.front();
            }
        }
        titles.queue(d);
        titles.settle();
        EXPECT_EQ(titles.title(d), "Delta Paper");
    }
    setErrorSink(nullptr);
}

}  // namespace
}  // namespace tidemark
