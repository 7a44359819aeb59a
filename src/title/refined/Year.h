#pragma once

#include <string>
#include <vector>

#include "title/refined/PageAnalysis.h"

class PDFDoc;

namespace tidemark::refined {

// What kind of printed line tells a year, the most telling first.
enum class YearSource {
    Copyright,   // "© 2019 Elsevier Ltd."
    Published,   // "Published online 3 May 2019"
    Journal,     // "Annals of Coastal Research 12 (2021) 211-230"
    Conference,  // "Proceedings of ICCE 2018", "useR! 2010"
    Date,        // "November 1, 2022", "2019-05-03", a year alone
    Accepted,    // "Accepted 9 January 2019"
    Received,    // "Received 3 May 2018", "Submitted ..."
    Citation,    // "Smith, A. (2019). Tidal Mixing ..."
    Compiled,    // "Compiled: November 1, 2022": when the file was made
    Stamp,       // a repository's stamp: "arXiv:1901.01234v2 [cs.CL] 5 Jan 2019"
    None,
};

// The year of publication and where it was printed.
struct YearFound {
    int year = 0;  // 0 when the pages show none
    std::string where;  // for the explanation
};

// The year a printed line tells, and by what kind of line; YearSource::None
// (and 0) when it tells none: a year in running prose, a page range, a
// number of a volume. Years after `latest` are none. `inParagraph` says
// the line belongs to running text, where only notes of copyright and of
// a paper's history count.
struct LineYear {
    int year = 0;
    YearSource source = YearSource::None;
};
LineYear yearOfLine(const std::u32string &line, bool inParagraph, int latest);

// The year of the pages read: of the lines that tell one, the most telling
// kind; of several of that kind, one the metadata's dates agree with, else
// the first. A reference counts only when it names `title`. The metadata's
// years alone never give one.
YearFound findYear(const std::vector<PageAnalysis> &pages, const std::u32string &title,
                   const std::vector<int> &metadataYears, int latest);

// The years of the file's metadata dates (made, changed, published) in its
// document information and its XMP packet `xmp`, in the order found.
std::vector<int> metadataYears(PDFDoc &doc, const std::string &xmp);

// This year and the next: no paper is dated later.
int latestYear();

}  // namespace tidemark::refined
