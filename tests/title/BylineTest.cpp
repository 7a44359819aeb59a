// The authors and the year the refined rule reads beside the title, on
// generated papers: each row one way a page prints them (or does not).
#include "title/refined/RefinedTitle.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "PdfWriter.h"
#include "TempDir.h"

namespace tidemark {
namespace {

using pdfgen::Document;
using pdfgen::PageBuilder;
using pdfgen::TextRun;

const std::string kBold = "Helvetica-Bold";
const std::string kTimes = "Times-Roman";

const char *const kTitle = "Tidal Mixing in Shallow Estuaries";

// A paper: the title, then `head` (names, affiliations, dates), then the
// abstract and running text; `foot` adds lines at the foot of the page.
Document paper(const std::function<void(PageBuilder &)> &head,
               const std::function<void(PageBuilder &)> &foot = nullptr)
{
    PageBuilder b;
    b.line(kTitle, 18, kBold).gap(6);
    head(b);
    b.gap(14).line("Abstract", 10, kBold).body(6, 10, "abs").gap(10).line("1 Introduction", 12, kBold).body(14);
    pdfgen::Page page = b.page();
    if (foot) {
        PageBuilder f(90);
        foot(f);
        const pdfgen::Page lines = f.page();
        page.runs.insert(page.runs.end(), lines.runs.begin(), lines.runs.end());
    }
    return {{page}, ""};
}

Document names(const std::string &line)
{
    return paper([&](PageBuilder &b) { b.line(line, 11, kTimes).line("University of Tidewater", 9, kTimes); });
}

// The names above the title, as some journals set them.
Document namesAbove()
{
    PageBuilder b;
    b.line("Ann Smith and Bo Li", 11, kTimes).gap(8).line(kTitle, 18, kBold).gap(14);
    b.line("Abstract", 10, kBold).body(6, 10, "abs").gap(10).body(14);
    return {{b.page()}, ""};
}

// Marks that point to notes (raised, in small type), the notes'
// affiliations and an e-mail address under the names.
Document marksAndEmails()
{
    return paper([](PageBuilder &b) {
        b.words({{"Ann Smith", 11, 0, 0, kTimes}, {"1", 7, 0, 0, kTimes}, {"Bo Li", 11, 0, 0, kTimes},
                 {"2,*", 7, 0, 0, kTimes}});
        b.line("1 University of Tidewater, Harbour Road 3, Portsea", 8, kTimes);
        b.line("2 Institute of Coastal Studies", 8, kTimes).line("ann.smith@tidewater.edu", 8, "Courier");
    });
}

// Two rows of names in one size, the affiliations of the first row
// between them in smaller type.
Document rowsOfNames()
{
    return paper([](PageBuilder &b) {
        b.line("Ann Smith, Bo Li,", 11, kTimes).line("Coastal Research Centre, Portsea", 9, kTimes);
        b.line("Cy Ek and Di Ng", 11, kTimes).line("Department of Geography, Tidewater", 9, kTimes);
    });
}

// Names side by side, each over its affiliation; the right-hand column is
// drawn first, its name a point higher.
Document columnsRightFirst()
{
    PageBuilder b;
    b.line(kTitle, 18, kBold).gap(6);
    pdfgen::Page page = b.page();
    page.runs.push_back({"Bo Li", 11, 330, 666, kTimes});
    page.runs.push_back({"Tidewater University", 9, 330, 653, kTimes});
    page.runs.push_back({"Ann Smith", 11, 72, 665, kTimes});
    page.runs.push_back({"University of Portsea", 9, 72, 652, kTimes});
    PageBuilder rest(620);
    rest.line("Abstract", 10, kBold).body(6, 10, "abs").gap(10).body(14);
    const pdfgen::Page more = rest.page();
    page.runs.insert(page.runs.end(), more.runs.begin(), more.runs.end());
    return {{page}, ""};
}

Document dated(const std::string &line, const std::string &creationDate = "")
{
    Document d = paper([&](PageBuilder &b) { b.line("Ann Smith", 11, kTimes).line(line, 10, kTimes); });
    d.infoCreationDate = creationDate;
    return d;
}

// Two date lines under the name, and the day the metadata says the file
// was made.
Document twoDates(const std::string &first, const std::string &second, const std::string &creationDate)
{
    Document d = paper([&](PageBuilder &b) {
        b.line("Ann Smith", 11, kTimes).line(first, 10, kTimes).line(second, 10, kTimes);
    });
    d.infoCreationDate = creationDate;
    return d;
}

Document footed(const std::string &line)
{
    return paper([](PageBuilder &b) { b.line("Ann Smith", 11, kTimes); },
                 [&](PageBuilder &f) { f.line(line, 8, kTimes); });
}

// A journal's line over the title, as a masthead prints it.
Document journalLine(const std::string &line)
{
    PageBuilder b(740);
    b.line(line, 9, kTimes).gap(60).line(kTitle, 18, kBold).gap(6).line("Ann Smith", 11, kTimes).gap(14);
    b.line("Abstract", 10, kBold).body(6, 10, "abs").gap(10).body(14);
    return {{b.page()}, ""};
}

Document noNames()
{
    return paper([](PageBuilder &) {});
}

// The metadata names the author and the day the file was made; the page
// shows neither.
Document metadataOnly()
{
    Document d = noNames();
    d.infoAuthor = "Ann Smith";
    d.infoCreationDate = "D:20200314120000";
    return d;
}

// Years in the running text, in a reference and in the title itself: none
// is the year of the paper.
Document yearsInProse()
{
    PageBuilder b;
    b.line("Storm Surges of January 1953", 18, kBold).gap(6).line("Ann Smith", 11, kTimes).gap(14);
    b.line("Abstract", 10, kBold);
    b.line("The flood of 1953 was studied by Smith and Jones (1985) and was published in", 10, kTimes);
    b.line("a report in 1990 that we extend with records of the tides over the North Sea", 10, kTimes);
    b.line("taken from the gauges at the harbour and compared with the model of the surge.", 10, kTimes);
    b.body(12);
    return {{b.page()}, ""};
}

// A repository's stamp up the left margin.
Document stamp()
{
    Document d = noNames();
    d.pages[0].runs.push_back({"arXiv:2101.01234v2 [physics.ao-ph] 5 Jan 2021", 20, 32, 300, kTimes, 90});
    return d;
}

struct Row {
    const char *name;
    std::function<Document()> make;
    std::vector<std::string> families;
    std::string year;
};

void PrintTo(const Row &row, std::ostream *os)
{
    *os << row.name;
}

class Byline : public ::testing::TestWithParam<Row> {};

TEST_P(Byline, AuthorsAndYear)
{
    const Row &row = GetParam();
    const TempDir dir;
    const std::string path = dir.file(std::string(row.name) + ".pdf");
    pdfgen::writeFile(path, row.make());
    const RefinedExtraction r = extractRefinedTitle(path);
    EXPECT_FALSE(r.title.empty());
    EXPECT_EQ(r.families, row.families);
    EXPECT_EQ(r.year, row.year);
    EXPECT_EQ(r.authors.size(), r.families.size());
    EXPECT_EQ(r.authorsWhere.empty(), row.families.empty()) << r.authorsWhere;
    EXPECT_EQ(r.yearWhere.empty(), row.year.empty()) << r.yearWhere;
}

using F = std::vector<std::string>;

const Row kRows[] = {
    // authors
    {"namesUnder", [] { return names("Ann Smith and Bo Li"); }, F{"Smith", "Li"}, ""},
    {"single", [] { return names("Ann Smith"); }, F{"Smith"}, ""},
    {"commasAndAmpersand", [] { return names("Ann Smith, Bo Li, Cy Ek & Di Ng"); }, F{"Smith", "Li", "Ek", "Ng"}, ""},
    {"initials", [] { return names("A. B. Smith and J.-P. Li"); }, F{"Smith", "Li"}, ""},
    {"particles", [] { return names("Jan van der Berg and Anna De Vries"); }, F{"van der Berg", "De Vries"}, ""},
    {"suffix", [] { return names("Ann Smith Jr. and Bo Li"); }, F{"Smith", "Li"}, ""},
    {"byPrefix", [] { return names("by Ann Smith"); }, F{"Smith"}, ""},
    {"withATeam", [] { return names("Ann Smith, Bioconductor Team"); }, F{"Smith"}, ""},
    {"teamOnly", [] { return names("The Tidewater Development Team"); }, F{}, ""},
    {"emailAfterDash", [] { return names("Ann Smith - ann.smith@tidewater.edu -"); }, F{"Smith"}, ""},
    {"namesAbove", namesAbove, F{"Smith", "Li"}, ""},
    {"marksAndEmails", marksAndEmails, F{"Smith", "Li"}, ""},
    // Two names apart by more than a space and less than a column's gap,
    // where a mark left no trace.
    {"gapBetweenNames",
     [] {
         return paper([](PageBuilder &b) { b.words({{"Ann Smith", 12, 0, 0, kTimes}, {"Bo Li", 12, 0, 0, kTimes}}); });
     },
     F{"Smith", "Li"}, ""},
    {"rowsOfNames", rowsOfNames, F{"Smith", "Li", "Ek", "Ng"}, ""},
    {"columnsRightFirst", columnsRightFirst, F{"Smith", "Li"}, ""},
    {"noNames", noNames, F{}, ""},
    {"phraseUnder", [] { return names("A field study of turbidity"); }, F{}, ""},
    // years
    {"dateLine", [] { return dated("November 1, 2022"); }, F{"Smith"}, "2022"},
    {"isoDate", [] { return dated("2022-09-30"); }, F{"Smith"}, "2022"},
    {"yearAlone", [] { return dated("2019"); }, F{"Smith"}, "2019"},
    {"season", [] { return dated("Spring 2008"); }, F{"Smith"}, "2008"},
    {"modifiedThenCompiled", [] { return dated("Modified: 6 March 2012; Compiled: November 1, 2022"); },
     F{"Smith"}, "2012"},
    {"copyrightAtTheFoot", [] { return footed("\xA9 2019 Elsevier Ltd. All rights reserved."); }, F{"Smith"},
     "2019"},
    {"copyrightWord", [] { return footed("Copyright 2017 by the authors"); }, F{"Smith"}, "2017"},
    {"journalLine", [] { return journalLine("Annals of Coastal Research, Vol. 12, No. 3 (2021), pp. 211-230"); },
     F{"Smith"}, "2021"},
    {"conference", [] { return footed("Proceedings of the 36th Coastal Engineering Conference, Baltimore 2018"); },
     F{"Smith"}, "2018"},
    {"conferenceAcronym", [] { return dated("ICCE 2018"); }, F{"Smith"}, "2018"},
    {"receivedAccepted", [] { return footed("Received 3 May 2018; accepted 9 January 2019"); }, F{"Smith"},
     "2019"},
    {"copyrightOverDate", [] { return footed("\xA9 2016 The Authors"); }, F{"Smith"}, "2016"},
    {"publishedShort", [] { return footed("Published online 2015"); }, F{"Smith"}, "2015"},
    {"earlierVersion",
     [] { return footed("An earlier version appeared in Coastal Letters, Vol. 4, No. 2 (2005), pp. 1-9"); },
     F{"Smith"}, ""},
    {"stamp", stamp, F{}, "2021"},
    {"noYear", [] { return dated("Version 1.2.3"); }, F{"Smith"}, ""},
    {"yearsInProse", yearsInProse, F{"Smith"}, ""},
    {"metadataOnly", metadataOnly, F{}, ""},
    {"compiledAgreesWithMetadata", [] { return twoDates("April 2021", "Compiled May 7, 2022", "D:20220507"); },
     F{"Smith"}, "2021"},
    {"metadataSettlesTwoDates", [] { return twoDates("March 2, 2018", "June 5, 2019", "D:20190605"); }, F{"Smith"},
     "2019"},
};

INSTANTIATE_TEST_SUITE_P(Layouts, Byline, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row> &info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tidemark
