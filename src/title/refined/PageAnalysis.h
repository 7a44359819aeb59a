#pragma once

#include <limits>
#include <string>
#include <vector>

#include "title/refined/DocumentFacts.h"
#include "title/refined/Layout.h"
#include "title/refined/Segmentation.h"

namespace tidemark::refined {

// One page read for its title: its segments in reading order, and what
// they are.
struct PageAnalysis {
    int number = 0;
    double width = 0, height = 0;
    double bodySize = 0;     // size of the running text
    bool hasBody = false;    // a paragraph of running text is on the page
    bool hasAbstract = false;
    bool hasContents = false;
    bool cropped = false;    // cut down to its text: no margins to speak of
    // Where the part of the page that can hold the title ends: the top of
    // the abstract heading, of a list of contents or of the first section.
    double boundary = std::numeric_limits<double>::infinity();
    std::string boundaryWhat;
    // Where the block that ends it begins across the page. A block that
    // lies wholly to the left of a boundary set in the right-hand column
    // is read before it, however low it stands.
    double boundaryLeft = -std::numeric_limits<double>::infinity();
    std::vector<Segment> segments;

    // Whether a segment comes after the boundary in reading order, and
    // whether it comes before it (a block across the boundary is neither).
    bool after(const Segment &s) const;
    bool before(const Segment &s) const;
    void setBoundary(const Segment &s, std::string what);

    // The viable segment of highest score; null when none is viable.
    const Segment *best() const;
};

// Reads a page for its title, turned first so that most of its text reads
// upright.
PageAnalysis analysePage(PageLayout page, const DocumentFacts &facts);

// In the band at the top or the foot of the page where running heads,
// page numbers and stamps stand, outside the text.
bool inMargin(const Segment &s, double pageHeight);

}  // namespace tidemark::refined
