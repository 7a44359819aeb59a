#pragma once

#include "title/refined/DocumentFacts.h"
#include "title/refined/PageAnalysis.h"

namespace tidemark::refined {

// Scores the viable segments: size against the running text, then what
// the position, the neighbours and the metadata say.
void score(PageAnalysis &a, const DocumentFacts &facts);

}  // namespace tidemark::refined
