#pragma once

#include <string>
#include <vector>

#include "title/refined/Layout.h"
#include "title/refined/Rejection.h"

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

    // Why it cannot be the title; Rejection::None while it can.
    Rejection rejected = Rejection::None;
    // What raised or lowered its score, for the explanation.
    std::vector<std::string> notes;
    double score = 0;
    bool metadataAgrees = false;

    bool viable() const { return rejected == Rejection::None; }
    std::size_t words() const;
};

// Whether two sizes are alike: the smaller at least (1 - tolerance) of the
// larger.
bool similarSize(double a, double b, double tolerance);

// The library sometimes breaks one printed line into several blocks (a
// word in another font, wide spaces): pieces on one baseline, of one size
// and close together, are one line again.
std::vector<Line> mergeFragments(const std::vector<Line> &lines);

// Letter-spaced text ("A B S T R A C T") closed up into words.
void closeLetterSpacing(Line &line);

// The page's lines, in reading order, gathered into segments. Lines of
// another rotation than `rotation` stand alone.
std::vector<Segment> formSegments(const std::vector<Line> &lines, int rotation);

// The size of the running text (see Segmentation.cpp); `hasBody` tells
// whether the page has paragraphs at all.
double bodySizeOf(const std::vector<Segment> &segments, bool &hasBody);

}  // namespace tidemark::refined
