#pragma once

#include <limits>
#include <string>
#include <vector>

#include "title/refined/DocumentFacts.h"
#include "title/refined/Layout.h"

namespace tidemark::refined {

// A run of lines that reads as one unit: lines of one size, one under the
// other, as a title of several lines is set.
struct Segment {
    std::vector<Line> lines;
    double size = 0;  // the size most of its characters are set in
    bool bold = false;
    int rotation = 0;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    std::u32string text;  // its lines joined, hyphens at line ends resolved
    // Its first line reads as a phrase (small words other than those that
    // join names), as a subtitle does.
    bool phrase = false;
    // It reads as a byline: names, an affiliation, an address.
    bool byline = false;

    // Why it cannot be the title; empty while it can.
    std::string rejected;
    // What raised or lowered its score, for the explanation.
    std::vector<std::string> notes;
    double score = 0;
    bool metadataAgrees = false;

    std::size_t words() const;
};

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

// How closely two folded texts agree, from 0 to 1 (1 - edit distance / the
// longer length). Costs the product of their lengths: for texts of title
// length.
double similarity(const std::u32string &a, const std::u32string &b);
// Whether similarity(a, b) >= threshold, in time that grows with the
// shorter length and the edits the threshold allows.
bool similarAtLeast(const std::u32string &a, const std::u32string &b, double threshold);

}  // namespace tidemark::refined
