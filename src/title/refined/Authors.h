#pragma once

#include <string>
#include <vector>

#include "title/refined/Layout.h"
#include "title/refined/RefinedTitle.h"
#include "title/refined/PageAnalysis.h"

class PDFDoc;

namespace tidemark::refined {

// The authors printed with a paper's title: the names as printed (marks
// that point to notes, affiliations and addresses left out) and their
// family names, in the order printed.
struct AuthorsFound {
    std::vector<std::u32string> names;
    std::vector<std::u32string> families;
    std::string where;  // for the explanation: the page and where the names stand
};

// The names of the block of names under the title, whose segments
// `titleParts` are on `page` (or, when none stands there, of a line of
// names right above it). Nothing when the page shows no names there.
// `metadataAuthors` (the file's own word) is only told as agreeing or not.
AuthorsFound findAuthors(const PageAnalysis &page, const std::vector<std::size_t> &titleParts,
                         const std::u32string &metadataAuthors);

// The names on one printed line: each cell of it (cells stand apart by
// wide gaps) split at commas, "and" and its kin, marks that point to notes
// dropped. Empty unless every piece of a cell reads as a person's name;
// cells that hold none (an e-mail address beside a name) are passed over.
std::vector<std::u32string> namesOfLine(const Line &line);

// The family name of a printed name: its last word with the particles
// before it ("van der Berg"), without "Jr." and the like; a name written
// without spaces in Han characters gives its first character (two of four).
std::u32string familyName(const std::u32string &name);

// The authors the file's metadata names (document information, or the
// dc:creator of its XMP packet `xmp`), as one text; empty when none.
std::u32string metadataAuthors(PDFDoc &doc, const std::string &xmp);

// Whether a segment is a paragraph of running text: three lines or more in
// the running text's size and face.
bool isRunningText(const Segment &s, const PageAnalysis &page);

// Fills in the authors and the year of `out` from the pages read, the
// title standing on `titlePage` as its segments `titleParts`; the file's
// metadata (its XMP packet `xmp`) only as agreement.
void readAuthorsAndYear(PDFDoc &doc, const std::string &xmp, const std::vector<PageAnalysis> &pages,
                        const PageAnalysis &titlePage, const std::vector<std::size_t> &titleParts,
                        RefinedExtraction &out);

}  // namespace tidemark::refined
