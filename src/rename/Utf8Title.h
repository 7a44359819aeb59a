#pragma once

#include <string>

namespace tidemark {

// Turns a UTF-8 title (the refined rule's) into a file name stem in place,
// by the rules SanitizeFileName follows for Latin-1 titles: the colon
// becomes " -", separators '-', double quotes single ones; '?' and '*' go;
// characters that only some systems refuse stay for the move to judge.
// Control characters become spaces, runs of spaces one; dots at either end
// go (a leading one would hide the file, trailing ones vanish on Windows),
// and so do dashes at the end. Invalid UTF-8 bytes are dropped. The result
// may be empty.
void SanitizeUtf8Title(std::string &utf8);

// The title in Latin-1 when every character has a Latin-1 byte; false
// (and `latin1` left alone) when one has not.
bool Utf8ToLatin1(const std::string &utf8, std::string &latin1);

}  // namespace tidemark
