#pragma once

#include <functional>

#include "title/TitleBlock.h"

class TextFlow;
class UnicodeMap;

namespace tidemark {

// Receives every delivered string: a line's Latin-1 bytes or a separator.
// Returning false ends the delivery of the page.
using LineOutput = std::function<bool(const char *text, int length)>;

// Walks one laid-out page (flows, blocks, lines, in the library's reading
// order) and hands each line to `output`, after writing the size of the
// line's first word into state.currentLineFontSize. Raises state.pageNumber
// first. A hyphen that ends a line is dropped unless the line is the last of
// its flow. `encoding` maps Unicode to bytes; a null map delivers nothing.
void deliverPageText(const TextFlow *flows, const UnicodeMap *encoding, CollectorState &state,
                     const LineOutput &output);

}  // namespace tidemark
