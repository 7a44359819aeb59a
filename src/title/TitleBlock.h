#pragma once

#include <string>
#include <vector>

namespace tidemark {

// One run of kept lines in one font size, in delivery order.
struct TitleBlock {
    int fontSize = 0;  // size of the line that opened the block, truncated toward zero
    int page = 0;      // 1-based page on which the block was opened
    std::vector<std::string> lines;  // Latin-1 bytes exactly as delivered
};

using TitleBlockList = std::vector<TitleBlock>;

// What the page text delivery, the line collector, the title choice and the
// extraction driver share while one document is read. One object belongs to
// one extraction; the two last-size fields are carried over between
// extractions when the same object is reused, which changes nothing visible
// because the first block of a document always takes the current line's size.
struct CollectorState {
    double currentLineFontSize = 0.0;  // first word of the line being delivered
    double lastLineFontSize = 0.0;     // last line that passed the letter filter
    int pageNumber = 0;                // page being delivered, from 1
    int abstractPage = 0;              // page of the abstract heading; 1 if none
    bool stopRequested = false;        // the heading was met
    // Set by the delivery for a line that carries on a line whose final
    // hyphen it dropped (nothing was delivered between the two).
    bool continuesLine = false;
    bool previousLineStored = false;   // the collector stored the last string it was given
    TitleBlockList blocks;

    // What the driver resets after every extraction.
    void resetCounters()
    {
        pageNumber = 0;
        abstractPage = 0;
        stopRequested = false;
        continuesLine = false;
        previousLineStored = false;
    }
};

}  // namespace tidemark
