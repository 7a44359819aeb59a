#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "rename/CodePage.h"
#include "rename/PosixFileSystem.h"
#include "rename/TargetName.h"

namespace tidemark {
namespace {

using Kind = TargetPath::Kind;

class MakeTargetPathTest : public ::testing::Test {
protected:
    void touch(const std::vector<std::string> &names)
    {
        for (const std::string &name : names) {
            writeFileBytes(dir.file(name), name);
        }
    }
    TargetPath target(const std::string &title, const std::string &fileName)
    {
        return MakeTargetPath(fs, cp, folder, title, fileName);
    }

    TempDir dir;
    std::string folder = dir.path() + "/";
    PosixFileSystem fs;
    SingleByteCodePage cp;
};

TEST_F(MakeTargetPathTest, NamesAndSuffixes)
{
    const struct {
        std::vector<std::string> present;  // the file itself comes first
        const char *title;
        Kind kind;
        const char *name;  // expected target name in the folder
    } cases[] = {
        {{"Tidal Flats.pdf"}, "Tidal Flats", Kind::kUnchanged, "Tidal Flats.pdf"},
        {{"scan.pdf"}, "Tidal Flats", Kind::kNewPath, "Tidal Flats.pdf"},
        {{"paper.v2.PDF"}, "Paper", Kind::kNewPath, "Paper.pdf"},
        // Names that differ in case are different names on POSIX.
        {{"paper.PDF"}, "paper", Kind::kNewPath, "paper.pdf"},
        {{"scan.pdf", "Title.pdf"}, "Title", Kind::kNewPath, "Title(1).pdf"},
        {{"scan.pdf", "Title.pdf", "Title(1).pdf"}, "Title", Kind::kNewPath, "Title(2).pdf"},
        {{"scan.pdf", "Title.pdf", "Title(2).pdf"}, "Title", Kind::kNewPath, "Title(1).pdf"},
        // The file's own name counts as taken.
        {{"Title(1).pdf", "Title.pdf"}, "Title", Kind::kNewPath, "Title(2).pdf"},
        // Another extension takes no name of the PDF's.
        {{"scan.pdf", "Title.txt", "Title"}, "Title", Kind::kNewPath, "Title.pdf"},
        {{"scan.pdf"}, "Why?", Kind::kNewPath, "Why.pdf"},
        // Latin-1 titles become UTF-8 names.
        {{"scan.pdf"}, "Caf\xE9 Society", Kind::kNewPath, "Caf\xC3\xA9 Society.pdf"},
        {{"Caf\xC3\xA9 Society.pdf"}, "Caf\xE9 Society", Kind::kUnchanged, "Caf\xC3\xA9 Society.pdf"},
        {{"scan.pdf"}, "?*?", Kind::kEmptyStem, ""},
        {{"scan.pdf"}, "**", Kind::kEmptyStem, ""},
    };
    for (const auto &c : cases) {
        TempDir fresh;
        folder = fresh.path() + "/";
        for (const std::string &name : c.present) {
            writeFileBytes(fresh.file(name), name);
        }
        const TargetPath t = target(c.title, c.present.front());
        EXPECT_EQ(t.kind, c.kind) << c.title << " / " << c.present.back();
        if (c.kind != Kind::kEmptyStem) {
            EXPECT_EQ(t.path, folder + c.name) << c.title << " / " << c.present.back();
        }
    }
}

TEST_F(MakeTargetPathTest, ALinkOrAFolderTakesTheName)
{
    touch({"scan.pdf"});
    ASSERT_EQ(symlink("/nonexistent/target", dir.file("Title.pdf").c_str()), 0);
    ASSERT_EQ(mkdir(dir.file("Title(1).pdf").c_str(), 0755), 0);
    EXPECT_EQ(target("Title", "scan.pdf").path, folder + "Title(2).pdf");
}

TEST_F(MakeTargetPathTest, ManyTakenNamesCountOn)
{
    touch({"scan.pdf", "T.pdf"});
    for (int n = 1; n <= 11; ++n) {
        touch({"T(" + std::to_string(n) + ").pdf"});
    }
    EXPECT_EQ(target("T", "scan.pdf").path, folder + "T(12).pdf");
}

}  // namespace
}  // namespace tidemark
