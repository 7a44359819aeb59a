#pragma once

#include <string>

namespace tidemark::refined {

// A line's text in the order it is read, from the order its characters
// stand on the page from left to right. Arabic, Persian and Hebrew are
// drawn in that visual order, so that they read backwards unless turned:
// their runs are reversed by the Unicode bidirectional algorithm, while
// numbers and Latin words inside them keep their own order, and mirrored
// characters (brackets) face the right way again. A line of more right-to-
// left letters than left-to-right ones is a right-to-left line; text
// without right-to-left letters is returned as it is.
std::u32string logicalOrder(std::u32string visual);

}  // namespace tidemark::refined
