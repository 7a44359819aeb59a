// Titles read ahead are handed over for whatever path is asked for, in any
// order, with the library's messages about each file together and named.
#include "rename/TitlesAhead.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "RenameTestSupport.h"
#include "TempDir.h"

namespace tidemark {
namespace {

TEST(TitlesAhead, AnswersEveryAskInAnyOrderAndReadsNoFurtherAheadThanAsked)
{
    TempDir dir;
    const std::string a = dir.file("a.pdf"), b = dir.file("b.pdf"), c = dir.file("c.pdf"), d = dir.file("d.pdf"),
                      extra = dir.file("extra.pdf");
    testing::writePaper(a, "Alpha Paper");
    writeFileBytes(b, "not a pdf at all");
    testing::writePaper(c, "Gamma Paper");
    testing::writePaper(d, "Delta Paper");
    testing::writePaper(extra, "Extra Paper");
    // Two jobs may read 64 titles past the last one asked for: once a is
    // asked for, a and the 64 fillers, and not b.
    std::vector<std::string> fillers;
    for (std::size_t i = 1; i <= 2 * TitlesAhead::kAheadPerJob; ++i) {
        fillers.push_back(dir.file("x" + std::to_string(i) + ".pdf"));
        testing::writePaper(fillers.back(), "Filler Paper");
    }

    // Which thread read each path. Reading a waits until every filler is
    // read, so that by the time a is handed over, the jobs have had every
    // chance to start whatever they would start.
    std::mutex mutex;
    std::condition_variable changed;
    std::map<std::string, std::vector<std::thread::id>> readBy;
    std::size_t fillersRead = 0;
    const auto source = [&](const std::string &path) {
        if (path == a) {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return fillersRead == fillers.size(); });
        }
        std::string title = extractTitle(path);
        {
            const std::lock_guard lock(mutex);
            readBy[path].push_back(std::this_thread::get_id());
            fillersRead += title == "Filler Paper" ? 1 : 0;
        }
        changed.notify_all();
        return title;
    };

    std::vector<std::string> messages;
    setErrorSink([&messages](const std::string &m) { messages.push_back(m); });
    {
        TitlesAhead titles(source, 2);
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
        // Asking for c before b leaves b unread, to be read when asked for;
        // extra was never queued; c and d come again after being asked for
        // or settled.
        const Ask asks[] = {{a, "Alpha Paper"}, {c, "Gamma Paper"}, {b, ""},
                            {extra, "Extra Paper"}, {d, "Delta Paper"}, {c, "Gamma Paper"}};
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

    const std::thread::id asking = std::this_thread::get_id();
    EXPECT_EQ(readBy[b], std::vector<std::thread::id>{asking});
    EXPECT_EQ(readBy[extra], std::vector<std::thread::id>{asking});
    ASSERT_EQ(readBy[a].size(), 1u);
    EXPECT_NE(readBy[a].front(), asking);
}

}  // namespace
}  // namespace tidemark
