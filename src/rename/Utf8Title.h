#pragma once

#include <string>

namespace tidemark {

// Turns a UTF-8 title (the refined rule's) into a file name stem in place:
// replaces the separators and the colon, drops what file systems refuse
// (control characters, '?', '*', '<', '>', '|') and dots at either end,
// makes runs of spaces one. Invalid UTF-8 bytes are dropped. The result
// may be empty.
void SanitizeUtf8Title(std::string &utf8);

// The title in Latin-1 when every character has a Latin-1 byte; false
// (and `latin1` left alone) when one has not.
bool Utf8ToLatin1(const std::string &utf8, std::string &latin1);

}  // namespace tidemark
