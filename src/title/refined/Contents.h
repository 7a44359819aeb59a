#pragma once

#include <cstddef>
#include <vector>

#include "title/refined/PageAnalysis.h"

namespace tidemark::refined {

// Which segments are rows of a list of contents, and which is its heading.
struct Contents {
    std::vector<bool> row;
    std::size_t heading = 0;  // past the end when there is none
    bool listed = false;      // three rows or more: a list indeed
};

// The rows of contents among the page's lines (text, then a page number
// after dot leaders or a wide gap), and the segments they make up.
Contents findContents(const PageAnalysis &a, const std::vector<Line> &lines, int rotation);

}  // namespace tidemark::refined
