#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "rename/CodePage.h"
#include "rename/FileSystem.h"

namespace tidemark {

// Where `needle` next occurs in `text` at or after `from`, which must be the
// start of a character; npos when nowhere. Only positions where a character
// begins are tried, so under a double-byte code page the second byte of a
// character never starts a match.
std::size_t FindInText(std::string_view text, std::string_view needle, std::size_t from, const CodePage &cp);

// Turns a title (Latin-1 bytes, not empty) into a file name stem in place:
// drops what file systems refuse or titles carry by accident (stray marks at
// the end, question marks, letter-spaced words "T h e"), and replaces the
// separators and the colon. The result may be empty.
void SanitizeFileName(std::string &text, const CodePage &cp);

// The extension of `name` from its last dot, dot included, lower-cased; the
// whole name lower-cased when it has no dot.
std::string GetLowerExtension(const std::string &name, const CodePage &cp);

// How the title handed to MakeTargetPath is written: Latin-1 bytes (the
// layout rule's titles) or UTF-8 (the refined rule's).
enum class TitleEncoding { kLatin1, kUtf8 };

struct TargetPath {
    enum class Kind {
        kUnchanged,  // the file already carries the name its title gives
        kNewPath,    // `path` is free and is where the file should go
        kEmptyStem,  // nothing of the title is left for a name
    };
    Kind kind = Kind::kUnchanged;
    std::string path;
};

// The path that the file `fileName` in `folder` (which ends with a
// separator) should be moved to for `title` (not empty): the stem of the
// title plus the file's own extension, with "(1)", "(2)"... before the
// extension while that name is taken. The file's present name counts as
// taken, so a file is never "moved" onto itself.
TargetPath MakeTargetPath(const FileSystem &fs, const CodePage &cp, const std::string &folder,
                          const std::string &title, const std::string &fileName,
                          TitleEncoding encoding = TitleEncoding::kLatin1);

}  // namespace tidemark
