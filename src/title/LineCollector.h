#pragma once

#include "title/TitleBlock.h"

namespace tidemark {

// True when the first eight bytes are "abstract" in any ASCII letter case.
// Nothing after them is looked at, so "Abstract:", "ABSTRACTS" and glued text
// all count.
bool isAbstractHeading(const char *text, int length);

// Takes one delivered string (a line or a separator) at the size and page the
// delivery has just written into `state`. Lines that begin with an ASCII
// letter are grouped into blocks of one font size; everything else is
// dropped. Returns false, asking the delivery to stop, at the abstract
// heading (never at the first kept line of a document).
bool collectLine(CollectorState &state, const char *text, int length);

}  // namespace tidemark
