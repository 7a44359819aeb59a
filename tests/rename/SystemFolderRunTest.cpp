// Folder runs through the platform's own file-system layer: POSIX calls on
// Linux, the ANSI Windows calls under Windows (and Wine). The same
// expectations hold on both, except where the platform's name rules differ.
#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "RenameTestSupport.h"
#include "TempDir.h"
#include "rename/CodePage.h"
#include "rename/DryRunFileSystem.h"
#include "rename/FileSystem.h"
#include "rename/Renamer.h"
#include "title/refined/RefinedTitle.h"

namespace tidemark {
namespace {

using testing::Recorder;
using testing::treeOf;
using testing::writePaper;
using testing::writeUnicodePaper;
using Names = std::vector<std::string>;

#ifdef _WIN32
constexpr bool kNamesIgnoreCase = true;
#else
constexpr bool kNamesIgnoreCase = false;
#endif

class SystemFolderRun : public ::testing::Test {
protected:
    std::string path(const std::string &relative) const
    {
        std::string p = dir.file(relative);
        for (char &c : p) {
            if (c == '/') {
                c = fs->separator();
            }
        }
        return p;
    }
    void paper(const std::string &relative, const std::string &title, const std::string &author = "Ann Author")
    {
        writePaper(path(relative), title, author);
    }
    void folder(const std::string &relative) { std::filesystem::create_directories(path(relative)); }
    bool run(bool recursive, Recorder &recorder)
    {
        Renamer renamer(*fs, systemCodePage(), &recorder);
        return renamer.RenamePdfsInFolder(recursive, dir.path());
    }
    Names tree() const { return treeOf(dir.path()); }

    TempDir dir;
    std::unique_ptr<FileSystem> fs = makeSystemFileSystem();
};

TEST_F(SystemFolderRun, RenamesPapersAndLeavesEverythingElse)
{
    folder("sub/deeper");
    folder("folder.pdf");
    paper("a.pdf", "Top Level Paper");
    paper("sub/b.PDF", "Second Level Paper");
    paper("sub/deeper/c.Pdf", "Third Level Paper");
    paper("Already Named.pdf", "Already Named");
    writeFileBytes(path("notes.txt"), "not a paper");
    writeFileBytes(path("broken.pdf"), "%PDF-1.4 and nothing else");

    Recorder flat;
    EXPECT_FALSE(run(false, flat));  // broken.pdf has no title
    EXPECT_EQ(tree(), (Names{"Already Named.pdf", "Top Level Paper.pdf", "broken.pdf", "folder.pdf/", "notes.txt",
                             "sub/", "sub/b.PDF", "sub/deeper/", "sub/deeper/c.Pdf"}));

    Recorder deep;
    EXPECT_FALSE(run(true, deep));
    EXPECT_EQ(tree(), (Names{"Already Named.pdf", "Top Level Paper.pdf", "broken.pdf", "folder.pdf/", "notes.txt",
                             "sub/", "sub/Second Level Paper.pdf", "sub/deeper/", "sub/deeper/Third Level Paper.pdf"}));
    const FileReport *named = deep.find(path("Already Named.pdf"));
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->outcome, Outcome::kUnchanged);
    ASSERT_NE(deep.find(path("broken.pdf")), nullptr);
    EXPECT_EQ(deep.find(path("broken.pdf"))->outcome, Outcome::kNoTitle);
}

TEST_F(SystemFolderRun, TwoPapersWithOneTitleKeepBothFiles)
{
    paper("one.pdf", "Shared Title", "First Author");
    paper("two.pdf", "Shared Title", "Second Author");
    const std::string first = readFileBytes(path("one.pdf"));
    const std::string second = readFileBytes(path("two.pdf"));
    Recorder recorder;
    EXPECT_TRUE(run(false, recorder));
    EXPECT_EQ(tree(), (Names{"Shared Title(1).pdf", "Shared Title.pdf"}));
    const std::string a = readFileBytes(path("Shared Title.pdf"));
    const std::string b = readFileBytes(path("Shared Title(1).pdf"));
    EXPECT_TRUE((a == first && b == second) || (a == second && b == first));
}

TEST_F(SystemFolderRun, UpperCaseExtensionOfAPaperNamedRight)
{
    paper("Paper.PDF", "Paper");
    Recorder recorder;
    EXPECT_TRUE(run(false, recorder));
    // Where names ignore case the file itself holds "Paper.pdf".
    EXPECT_EQ(tree(), (Names{kNamesIgnoreCase ? "Paper(1).pdf" : "Paper.pdf"}));
}

TEST_F(SystemFolderRun, TargetAppearingBeforeTheMoveIsNeverReplaced)
{
    paper("scan.pdf", "Raced Title");
    const std::string paperBytes = readFileBytes(path("scan.pdf"));
    const std::string intruder = "written by someone else in the meantime";
    fs->setBeforeMoveHook([&](const std::string &, const std::string &newPath) {
        EXPECT_EQ(newPath, path("Raced Title.pdf"));
        writeFileBytes(newPath, intruder);
    });
    Recorder recorder;
    EXPECT_FALSE(run(false, recorder));
    ASSERT_EQ(recorder.files.size(), 1u);
    EXPECT_EQ(recorder.files[0].outcome, Outcome::kFailed);
    EXPECT_TRUE(recorder.files[0].error);
    EXPECT_EQ(readFileBytes(path("scan.pdf")), paperBytes);
    EXPECT_EQ(readFileBytes(path("Raced Title.pdf")), intruder);
}

TEST_F(SystemFolderRun, DryRunPlansWhatTheRealRunDoes)
{
    folder("sub");
    paper("a.pdf", "Bravo");  // Bravo.pdf stays taken until that paper moves
    paper("Bravo.pdf", "Charlie");
    paper("c.pdf", "Charlie", "Other Author");
    paper("sub/e.PDF", "Bravo");
    const Names before = tree();

    Recorder planned;
    DryRunFileSystem overlay(*fs);
    Renamer dry(overlay, systemCodePage(), &planned);
    const bool dryAllWell = dry.RenamePdfsInFolder(true, dir.path());
    EXPECT_EQ(tree(), before);

    Recorder done;
    EXPECT_EQ(run(true, done), dryAllWell);
    ASSERT_EQ(planned.files.size(), done.files.size());
    for (size_t i = 0; i < done.files.size(); ++i) {
        EXPECT_EQ(planned.files[i].oldPath, done.files[i].oldPath);
        EXPECT_EQ(planned.files[i].newPath, done.files[i].newPath);
        EXPECT_EQ(planned.files[i].outcome, done.files[i].outcome);
    }
    EXPECT_EQ(tree().size(), before.size());
}

TEST_F(SystemFolderRun, RefinedTitlesTakeTheSystemsNameEncoding)
{
    // The refined rule reads UTF-8 titles. POSIX names take them as they
    // are; Windows names take them in the ANSI code page, a letter the page
    // lacks by its nearest match, and a title the page cannot hold at all
    // leaves the paper its name.
#ifdef _WIN32
    if (GetACP() != 1252) {
        GTEST_SKIP() << "expectations are for code page 1252";
    }
#endif
    writeUnicodePaper(path("a.pdf"), "Caf\u00e9 Society");
    writeUnicodePaper(path("b.pdf"), "\u0141\u00f3d\u017a Harbour Tides");
    writeUnicodePaper(path("c.pdf"), "\u6d45\u6d77\u6cb3\u53e3\u6f6e\u6c50");
    Recorder recorder;
    Renamer renamer(*fs, systemCodePage(), &recorder,
                    [](const std::string &p) { return extractRefinedTitle(p).title; });
    renamer.setTitleEncoding(TitleEncoding::kUtf8);
    renamer.RenamePdfsInFolder(false, dir.path());
#ifdef _WIN32
    EXPECT_TRUE(fs->exists(path("Caf\xE9 Society.pdf")));
    EXPECT_TRUE(fs->exists(path("L\xF3" "dz Harbour Tides.pdf")));
    EXPECT_TRUE(fs->exists(path("c.pdf")));
    ASSERT_NE(recorder.find(path("c.pdf")), nullptr);
    EXPECT_EQ(recorder.find(path("c.pdf"))->outcome, Outcome::kNoName);
#else
    EXPECT_EQ(tree(), (Names{"Caf\xC3\xA9 Society.pdf", "\xC5\x81\xC3\xB3" "d\xC5\xBA Harbour Tides.pdf",
                             "\xE6\xB5\x85\xE6\xB5\xB7\xE6\xB2\xB3\xE5\x8F\xA3\xE6\xBD\xAE\xE6\xB1\x90.pdf"}));
#endif
    EXPECT_EQ(recorder.files.size(), 3u);
}

// A folder in which, between the listing and an entry's turn, one paper
// is deleted by another program and another cannot be read (permissions
// deny it, which they do not to root).
class EntryFaults final : public testing::ForwardingFileSystem {
public:
    EntryFaults(FileSystem &disk, std::string vanishing, std::string unreadable)
        : ForwardingFileSystem(disk), vanishing_(std::move(vanishing)), unreadable_(std::move(unreadable))
    {
    }
    std::error_code listFolder(const std::string &folder, const Visit &visit) override
    {
        std::vector<std::string> names;
        const std::error_code error =
            disk_.listFolder(folder, [&names](const std::string &name) { names.push_back(name); });
        if (!vanishing_.empty()) {
            std::filesystem::remove(vanishing_);
        }
        for (const std::string &name : names) {
            visit(name);
        }
        return error;
    }
    EntryKind entryKind(const std::string &path, std::error_code &error) const override
    {
        if (path == unreadable_) {
            error = std::make_error_code(std::errc::permission_denied);
            return EntryKind::kUnreadable;
        }
        return disk_.entryKind(path, error);
    }

private:
    std::string vanishing_;
    std::string unreadable_;
};

TEST_F(SystemFolderRun, PaperThatVanishedIsPassedOverOneThatCannotBeReadIsReported)
{
    paper("gone.pdf", "Gone Paper");
    paper("open.pdf", "Open Paper");
    paper("secret.pdf", "Secret Paper");

    // Gone since the listing: no loss, nothing to report.
    EntryFaults vanished(*fs, path("gone.pdf"), "");
    Recorder first;
    EXPECT_TRUE(Renamer(vanished, systemCodePage(), &first).RenamePdfsInFolder(false, dir.path()));
    EXPECT_EQ(first.find(path("gone.pdf")), nullptr);
    EXPECT_TRUE(first.skipped.empty());
    EXPECT_EQ(tree(), (Names{"Open Paper.pdf", "Secret Paper.pdf"}));

    // Cannot be read: kept as it is, and reported with the reason.
    paper("secret.pdf", "Another Secret");
    EntryFaults unreadable(*fs, "", path("secret.pdf"));
    Recorder second;
    EXPECT_FALSE(Renamer(unreadable, systemCodePage(), &second).RenamePdfsInFolder(false, dir.path()));
    EXPECT_EQ(tree(), (Names{"Open Paper.pdf", "Secret Paper.pdf", "secret.pdf"}));
    EXPECT_EQ(second.skipped, Names{path("secret.pdf")});
    ASSERT_EQ(second.skipErrors.size(), 1u);
    EXPECT_EQ(second.skipErrors[0], std::errc::permission_denied);
}

#ifdef _WIN32
TEST_F(SystemFolderRun, PaperLockedByAnotherProgramKeepsItsName)
{
    // A viewer that holds the file open without sharing: neither the title
    // search nor the move can have it.
    paper("locked.pdf", "Locked Paper Title");
    paper("free.pdf", "Free Paper Title");
    const HANDLE lock = CreateFileA(path("locked.pdf").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    Recorder recorder;
    EXPECT_FALSE(run(false, recorder));
    CloseHandle(lock);
    EXPECT_EQ(tree(), (Names{"Free Paper Title.pdf", "locked.pdf"}));
    ASSERT_NE(recorder.find(path("locked.pdf")), nullptr);
    EXPECT_FALSE(succeeded(recorder.find(path("locked.pdf"))->outcome));
}
#endif

}  // namespace
}  // namespace tidemark
