#pragma once

#include <string>
#include <vector>

#include "title/TitleExtractor.h"

namespace tidemark {

// One block of type that the refined rule weighed, for --explain.
struct RefinedCandidate {
    int page = 0;
    double size = 0;      // points
    double top = 0;       // points from the top of the page
    double score = 0;     // size against the running text, weighed; 0 when rejected
    std::string text;     // UTF-8
    std::string verdict;  // "title", "subtitle", or why it was passed over
};

struct RefinedExtraction {
    std::string title;  // UTF-8, empty when none was found
    int pagesRead = 0;
    bool timedOut = false;
    std::vector<RefinedCandidate> candidates;  // the blocks larger than running text
    int notShown = 0;                          // the other blocks
    std::vector<std::string> facts;  // page by page: running text size, metadata
    // The authors printed with the title (UTF-8, notes' marks and
    // affiliations left out) and their family names; the year of
    // publication as printed. Empty when the pages show none.
    std::vector<std::string> authors;
    std::vector<std::string> families;
    std::string year;
    std::string authorsWhere, yearWhere;  // where they were found, for --explain
};

// The refined title rule: reads the first page (the second and third only
// when the first holds no title), finds the blocks of type on it, rejects
// what cannot be a title (turned text, page margins, contents lists,
// dates, addresses, journal data, running text), weighs the rest by size,
// position and agreement with the file's metadata, and completes the
// winner with its subtitle. The title is UTF-8 in any script.
RefinedExtraction extractRefinedTitle(const std::string &path, const ExtractionOptions &options = {});

}  // namespace tidemark
