// Titles read by several jobs at once must change nothing a user sees: the
// report, the messages, the names and every "(n)" suffix are those of a
// one-job run.
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "CliRun.h"
#include "RenameTestSupport.h"
#include "TempDir.h"

namespace tidemark {
namespace {

using Lines = std::vector<std::string>;

// Every file under `root` with its bytes, and every folder, by relative name.
std::vector<std::pair<std::string, std::string>> contentsOf(const std::string &root)
{
    std::vector<std::pair<std::string, std::string>> contents;
    for (const std::string &name : testing::treeOf(root)) {
        contents.emplace_back(name, name.back() == '/' ? "" : readFileBytes(root + "/" + name));
    }
    return contents;
}

// The path each "Error: PATH: MESSAGE" line is about, in order; "?" for a
// line of another form.
Lines messagePaths(const std::string &err)
{
    Lines paths;
    std::size_t begin = 0;
    for (std::size_t end; (end = err.find('\n', begin)) != std::string::npos; begin = end + 1) {
        const std::string line = err.substr(begin, end - begin);
        const std::size_t colon = line.find(".pdf: ");
        paths.push_back(line.rfind("Error: ./", 0) == 0 && colon != std::string::npos ? line.substr(7, colon - 3)
                                                                                        : "?");
    }
    return paths;
}

class ParallelRun : public CliTest {
protected:
    std::string path(const std::string &relative) const { return dir.path() + "/" + relative; }
    CliRun run(const std::string &folder, const std::string &args)
    {
        return runCli(cli_, path(folder), args, path(folder + ".err"));
    }

    TempDir dir;
};

TEST_F(ParallelRun, FourJobsRenameATreeExactlyAsOneJob)
{
    namespace fs = std::filesystem;
    fs::create_directories(path("tree/sub/deeper"));
    // Four titles over sixteen papers, each title four times in one folder.
    const char *titles[] = {"Tidal Mixing", "Shelf Waves", "Salt Marshes", "Reef Flats"};
    for (int i = 0; i < 16; ++i) {
        const std::string folder = i % 2 == 0 ? "tree/" : i % 4 == 1 ? "tree/sub/" : "tree/sub/deeper/";
        testing::writePaper(path(folder + "p" + std::to_string(i) + ".pdf"), titles[i % 4],
                            "Author " + std::to_string(i));
    }
    testing::writePaper(path("tree/Tidal Mixing.pdf"), "Tidal Mixing", "Author 99");  // already named so
    testing::writePaper(path("tree/notes.txt"), "Not A Paper");
    for (const char *damaged : {"tree/bad1.pdf", "tree/sub/bad2.pdf", "tree/sub/deeper/bad3.pdf"}) {
        writeFileBytes(path(damaged), "not a pdf at all");
    }
    for (const char *copy : {"one", "four", "one-refined", "four-refined"}) {
        fs::copy(path("tree"), path(copy), fs::copy_options::recursive);
    }

    // The other title rule reads in parallel through the same seam.
    const CliRun oneRefined = run("one-refined", "rename --rule=refined -r -j 1 .");
    const CliRun fourRefined = run("four-refined", "rename --rule=refined -r -j 4 .");
    EXPECT_EQ(fourRefined.status, oneRefined.status);
    ASSERT_FALSE(oneRefined.out.empty());
    EXPECT_EQ(oneRefined.out.back(), "16 renamed, 1 unchanged, 3 no title, 0 failed");
    EXPECT_EQ(fourRefined.out, oneRefined.out);
    EXPECT_EQ(fourRefined.err, oneRefined.err);
    EXPECT_EQ(contentsOf(path("four-refined")), contentsOf(path("one-refined")));

    const CliRun one = run("one", "rename -r -j 1 .");
    const CliRun four = run("four", "rename --recursive --jobs 4 .");

    EXPECT_EQ(one.status, 1);
    EXPECT_EQ(four.status, 1);
    EXPECT_EQ(four.out, one.out);
    EXPECT_EQ(four.err, one.err);
    EXPECT_EQ(contentsOf(path("four")), contentsOf(path("one")));
    ASSERT_FALSE(one.out.empty());
    EXPECT_EQ(one.out.back(), "16 renamed, 1 unchanged, 3 no title, 0 failed");
    const auto names = testing::treeOf(path("four"));
    for (const char *name : {"Tidal Mixing(4).pdf", "Salt Marshes(3).pdf", "sub/Shelf Waves(3).pdf",
                             "sub/deeper/Reef Flats(3).pdf", "sub/bad2.pdf"}) {
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
    }
    EXPECT_EQ(std::find(names.begin(), names.end(), "Tidal Mixing(5).pdf"), names.end());

    // The library's messages name their file, and those of one file come
    // together: each damaged paper's lines form one block.
    Lines blocks = messagePaths(four.err);
    blocks.erase(std::unique(blocks.begin(), blocks.end()), blocks.end());
    std::sort(blocks.begin(), blocks.end());
    EXPECT_EQ(blocks, (Lines{"./bad1.pdf", "./sub/bad2.pdf", "./sub/deeper/bad3.pdf"})) << four.err;

    // The title command prints in the order of its arguments.
    const std::string files = "bad1.pdf 'Tidal Mixing.pdf' sub/bad2.pdf 'sub/Shelf Waves.pdf' missing.pdf";
    const CliRun titlesOne = run("one", "title -j1 " + files);
    const CliRun titlesFour = run("one", "title --jobs=4 " + files);
    EXPECT_EQ(titlesFour.out, (Lines{"bad1.pdf\t", "Tidal Mixing.pdf\tTidal Mixing", "sub/bad2.pdf\t",
                                     "sub/Shelf Waves.pdf\tShelf Waves", "missing.pdf\t"}));
    EXPECT_EQ(titlesFour.out, titlesOne.out);
    EXPECT_EQ(titlesFour.err, titlesOne.err);
}

TEST_F(ParallelRun, JobCountsOutsideOneToSixtyFourAreUsageErrors)
{
    mkdir(path("work").c_str(), 0755);
    testing::writePaper(path("work/scan.pdf"), "Untouched Paper");
    for (const char *args : {"rename -j 0 .", "rename --jobs=65 .", "rename -j", "rename -jx .", "title -j -1 scan.pdf",
                             "title --jobs scan.pdf"}) {
        const CliRun r = run("work", args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err.find("-j wants a number of jobs from 1 to 64"), std::string::npos) << args << r.err;
    }
    EXPECT_EQ(run("work", "rename -j 64 -n .").status, 0);
    EXPECT_EQ(testing::treeOf(path("work")), Lines{"scan.pdf"});
}

}  // namespace
}  // namespace tidemark
