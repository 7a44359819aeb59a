#pragma once

// A temporary folder of papers renamed through the POSIX file-system layer.
#include <sys/stat.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RenameTestSupport.h"
#include "TempDir.h"
#include "rename/CodePage.h"
#include "rename/PosixFileSystem.h"
#include "rename/Renamer.h"

namespace tidemark::testing {

class PosixFolderTest : public ::testing::Test {
protected:
    using Names = std::vector<std::string>;

    std::string path(const std::string &relative) const { return dir.path() + "/" + relative; }
    void paper(const std::string &relative, const std::string &title, const std::string &author = "Ann Author")
    {
        writePaper(path(relative), title, author);
    }
    void folder(const std::string &relative) { ASSERT_EQ(mkdir(path(relative).c_str(), 0755), 0); }
    bool run(bool recursive, const std::string &relative = "")
    {
        Renamer renamer(fs, cp, &recorder);
        return renamer.RenamePdfsInFolder(recursive, path(relative));
    }
    Names tree() const { return treeOf(dir.path()); }

    TempDir dir;
    PosixFileSystem fs;
    SingleByteCodePage cp;
    Recorder recorder;
};

}  // namespace tidemark::testing
