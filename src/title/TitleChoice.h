#pragma once

#include <string>
#include <vector>

#include "title/TitleBlock.h"

namespace tidemark {

// The lines joined with one space between consecutive lines.
std::string joinLines(const std::vector<std::string> &lines);

// Length in bytes of the longest piece between single spaces (0x20 only).
size_t longestWordLength(const std::string &text);

// True for a title that reads as cut off: it ends in a colon, or (when longer
// than 4 bytes) in " to" in any case.
bool looksIncomplete(const std::string &title);

// Picks the title from the blocks: the largest type on `abstractPage` whose
// text is longer than 2 bytes, the following blocks of that size, one more
// block when the title looks incomplete, and no final full stop. Sorts
// `blocks` in place (stable, largest size first). Latin-1 bytes in and out.
std::string chooseTitle(TitleBlockList &blocks, int abstractPage);

}  // namespace tidemark
