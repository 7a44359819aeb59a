// The Windows rules that Wine cannot show on real entries: it marks every
// file as archived, never a folder, and makes no junctions or links.
#include <windows.h>

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "rename/CodePage.h"
#include "rename/Renamer.h"
#include "rename/win32/Win32FileSystem.h"

namespace tidemark {
namespace {

TEST(Win32EntryKinds, WalkedAndNamedByThePath)
{
    // A folder walk passes over what a user would not mean by "every PDF
    // here"; a path the user named is a folder or a file, nothing else.
    const struct {
        std::uint32_t attributes;
        std::uint32_t reparseTag;
        EntryKind walked;
        EntryKind named;
    } cases[] = {
        {FILE_ATTRIBUTE_ARCHIVE, 0, EntryKind::kFile, EntryKind::kFile},
        {FILE_ATTRIBUTE_NORMAL, 0, EntryKind::kFile, EntryKind::kFile},
        {FILE_ATTRIBUTE_READONLY, 0, EntryKind::kOther, EntryKind::kFile},
        {FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, 0, EntryKind::kOther, EntryKind::kFile},
        {FILE_ATTRIBUTE_DIRECTORY, 0, EntryKind::kDirectory, EntryKind::kDirectory},
        {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE, 0, EntryKind::kFile, EntryKind::kDirectory},
        // Junctions and directory links lead elsewhere; a cloud drive's
        // folder holds its own files.
        {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_MOUNT_POINT, EntryKind::kOther,
         EntryKind::kDirectory},
        {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_SYMLINK, EntryKind::kOther,
         EntryKind::kDirectory},
        {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_CLOUD_6, EntryKind::kDirectory,
         EntryKind::kDirectory},
        {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_ONEDRIVE, EntryKind::kDirectory,
         EntryKind::kDirectory},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(WalkedEntryKind(c.attributes, c.reparseTag), c.walked) << std::hex << c.attributes;
        EXPECT_EQ(NamedEntryKind(c.attributes), c.named) << std::hex << c.attributes;
    }
}

TEST(Win32Paths, FolderPartOfANamedPath)
{
    // "C:x.pdf" is x.pdf in the current folder of drive C: its new name
    // must be built there too, as "C:Title.pdf".
    Win32FileSystem fs;
    const Renamer renamer(fs, systemCodePage());
    const struct {
        const char *path;
        std::size_t folder;
    } cases[] = {
        {"x.pdf", 0},
        {"C:x.pdf", 2},
        {"C:", 2},
        {"C:\\x.pdf", 3},
        {"papers/x.pdf", 7},
        {"\\\\server\\share\\x.pdf", 15},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(renamer.folderLength(c.path), c.folder) << c.path;
    }
}

}  // namespace
}  // namespace tidemark
