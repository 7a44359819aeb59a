#pragma once

#include "title/refined/Contents.h"
#include "title/refined/PageAnalysis.h"

namespace tidemark::refined {

// Rejects what cannot be a title, and marks where the abstract or a list
// of contents begins.
void classify(PageAnalysis &a, const Contents &contents, int rotation);

}  // namespace tidemark::refined
