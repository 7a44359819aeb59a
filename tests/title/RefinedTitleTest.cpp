// The refined title rule on generated papers of many layouts: each row
// shows one signal the rule reads (or one layout it must not be fooled by),
// with the title it must find and, where it matters, how many pages it may
// lay out for it.
#include "title/refined/RefinedTitle.h"
#include "title/refined/Text.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "HostilePdf.h"
#include "PdfWriter.h"
#include "TempDir.h"

namespace tidemark {
namespace {

using pdfgen::Document;
using pdfgen::Page;
using pdfgen::PageBuilder;
using pdfgen::TextRun;

const std::string kBold = "Helvetica-Bold";
const std::string kTimes = "Times-Roman";
const std::string kTimesBold = "Times-Bold";

// Runs of `from` added to `into` (two columns, a stamp, a header).
Page merged(Page into, const Page &from)
{
    into.runs.insert(into.runs.end(), from.runs.begin(), from.runs.end());
    return into;
}

// The usual head of a paper under `title`: one author line, an abstract,
// then running text.
PageBuilder &paperHead(PageBuilder &b, const std::string &abstract = "Abstract")
{
    return b.gap(8).line("Ann Author and Bo Builder", 11, kTimes).line("University of Tidewater", 10, kTimes)
        .gap(14).line(abstract, 10, kTimesBold).body(8, 10, "abs").gap(10);
}

// A plain paper under `title`.
Document titled(const std::string &title)
{
    PageBuilder b;
    b.line(title, 17, kBold);
    paperHead(b).body(20);
    return {{b.page()}, ""};
}

Document simpleArticle()
{
    PageBuilder b;
    b.line("Tidal Mixing in Shallow Estuaries", 17, kBold);
    paperHead(b).line("1 Introduction", 12, kBold).body(20);
    return {{b.page()}, ""};
}

// A journal's name in the largest type at the top, its volume and issue
// under it, the paper's own title below.
Document journalMasthead(const std::string &issue = "Vol. 12, No. 3 (2021), pp. 211-230")
{
    PageBuilder b(700);
    b.line("Annals of Coastal Research", 26, "Times-Italic").line(issue, 9, kTimes);
    b.gap(40).line("Sediment Budgets of Barrier Islands", 16, kTimesBold);
    paperHead(b).body(16);
    return {{b.page()}, ""};
}

// The same masthead with nothing printed near it: only the metadata title,
// which matches the printed title, tells the two apart.
Document mastheadAndMetadata()
{
    PageBuilder b(740);
    b.line("Annals of Coastal Research", 26, "Times-Italic").gap(50);
    b.line("Sediment Budgets of Barrier Islands", 16, kTimesBold);
    paperHead(b).body(16);
    return {{b.page()}, "Sediment budgets of barrier islands"};
}

// Metadata that matches nothing printed is left aside.
Document wrongMetadata()
{
    PageBuilder b;
    b.line("Wave Setup on Coral Reefs", 18, kBold);
    paperHead(b).body(16);
    Document doc{{b.page()}, "Microsoft Word - draft3.docx"};
    doc.xmpTitle = "Untitled";
    return doc;
}

// A series name and the title in the same type; the XMP title names one.
Document xmpSettlesATie()
{
    PageBuilder b;
    b.line("Technical Notes in Hydrology", 18, kBold).gap(30).line("Groundwater Recharge in Dune Belts", 18, kBold);
    paperHead(b).body(14);
    Document doc{{b.page()}, ""};
    doc.xmpTitle = "Groundwater Recharge in Dune Belts";
    return doc;
}

// A repository stamp runs up the left margin and a journal's banner down
// the right one, both in larger type than the title.
Document turnedText()
{
    PageBuilder b;
    b.line("Neural Parsing of Tide Tables", 17, kBold);
    paperHead(b).body(18);
    Page page = b.page();
    page.runs.push_back({"arXiv:2101.01234v2 [cs.CL] 5 Jan 2021", 20, 32, 350, "Times-Roman", 90});
    page.runs.push_back({"Coastal Dynamics Letters", 24, 585, 740, kBold, 270});
    return {{page}, ""};
}

// Two columns under a title across the page, a conference line in the
// top margin and authors side by side.
Document twoColumnConference()
{
    Page page;
    page.runs.push_back({"Proceedings of the Ninth Workshop on Coastal Computing, 2022", 8, 150, 770, kTimes});
    page.runs.push_back({"Learning to Forecast Storm Surges", 20, 140, 715, kTimesBold});
    page.runs.push_back({"Carla Diaz", 11, 130, 680, kTimes});
    page.runs.push_back({"Dan Evans", 11, 380, 680, kTimes});
    page.runs.push_back({"Harbour Institute", 10, 130, 666, kTimes});
    page.runs.push_back({"Delta University", 10, 380, 666, kTimes});
    PageBuilder left(620, 54);
    left.line("Abstract", 10, kTimesBold).body(12, 9, "left").gap(8).line("1 Introduction", 10, kTimesBold).body(20, 9, "l2");
    PageBuilder right(620, 318);
    right.body(40, 9, "right");
    return {{merged(merged(page, left.page()), right.page())}, ""};
}

// A cover page that names only the institution; the paper begins on page 2.
Document institutionCover()
{
    PageBuilder cover;
    cover.gap(200).line("Department of Ocean Engineering", 24, kBold).line("Harbour Institute of Technology", 16);
    cover.gap(200).line("www.harbour-institute.org/reports", 30, kBold);
    PageBuilder b;
    b.line("Scour around Offshore Monopiles", 16, kTimesBold);
    paperHead(b).body(16);
    return {{cover.page(), b.page(), PageBuilder().body(40).page()}, ""};
}

// A thesis cover with the title, then a page of small print.
Document thesisCover()
{
    PageBuilder cover;
    cover.gap(150).line("Salt Marsh Accretion under", 24, kTimesBold).line("Rising Sea Levels", 24, kTimesBold);
    cover.gap(40).line("A thesis submitted for the degree of Doctor of Philosophy", 13, kTimes);
    cover.gap(20).line("Fiona Green", 14, kTimes).line("University of Tidewater", 13, kTimes).line("2019", 13, kTimes);
    PageBuilder second;
    second.gap(500).line("Copyright 2019 Fiona Green. All rights reserved.", 9, kTimes);
    return {{cover.page(), second.page(), PageBuilder().body(40).page()}, ""};
}

Document allCaps()
{
    PageBuilder b;
    b.line("A STUDY OF TIDAL MIXING IN", 15, kTimesBold).line("SHALLOW ESTUARIES", 15, kTimesBold);
    b.gap(8).line("JOHN SMITH AND MARY JONES", 11, kTimesBold).line("UNIVERSITY OF TIDEWATER", 10, kTimes);
    b.gap(12).line("ABSTRACT", 10, kTimesBold).body(10).gap(10).line("1. INTRODUCTION", 10, kTimesBold).body(15);
    return {{b.page()}, ""};
}

Document script(const std::string &title, const std::string &authors, const std::string &abstract,
                const std::string &bodyText)
{
    PageBuilder b;
    b.line(title, 18, pdfgen::kUnicodeBoldFont).gap(6).line(authors, 11, pdfgen::kUnicodeFont);
    b.gap(14).line(abstract, 10, pdfgen::kUnicodeBoldFont);
    for (int i = 0; i < 14; ++i) {
        b.line(bodyText, 10, pdfgen::kUnicodeFont, 1.25);
    }
    return {{b.page()}, ""};
}

// A list of contents in larger type than the title, under a heading of its
// own wording: the page numbers down the right show what it is.
Document contentsPage()
{
    PageBuilder b;
    b.line("Guide to the Estuary Toolkit", 16, kBold).gap(6).line("Ann Author", 11).line("March 3, 2020", 11);
    Page page = b.gap(20).line("Chapters", 22, kBold).page();
    const char *entries[] = {"Introduction", "Installing the toolkit", "Reading tide gauges", "Plotting",
                             "References"};
    double y = 600;
    for (int i = 0; i < 5; ++i, y -= 24) {
        page.runs.push_back({std::to_string(i + 1) + "  " + entries[i], 17, 72, y, kBold});
        page.runs.push_back({std::to_string(2 * i + 1), 17, 530, y, kBold});
    }
    return {{page, PageBuilder().body(40).page()}, ""};
}

// No abstract; the first section heading is larger than the title.
Document sectionHeadingLargerThanTitle()
{
    PageBuilder b;
    b.line("Notes on Harbour Seiches", 14, kBold).line("Ann Author", 11).gap(20);
    b.line("1 Introduction", 16, kBold).body(12).line("2 Observations", 16, kBold).body(14);
    return {{b.page()}, ""};
}

// No abstract, no numbers: the outline names the sections, the largest of
// which comes after the title.
Document outlinedSections()
{
    PageBuilder b;
    b.line("Grazing Pressure on Salt Marshes", 13, kBold).line("Ann Author", 11).gap(20);
    b.line("Why grazing matters", 10, kBold).body(8).line("Study Area", 16, kBold).body(20);
    Document doc{{b.page()}, ""};
    doc.outline = {"Why grazing matters", "Study Area", "Methods", "Results"};
    return doc;
}

// A web address over the title, in larger type.
Document webAddress()
{
    PageBuilder b;
    b.line("www.harbour-institute.org", 20, kBold).gap(20).line("Annual Report on Beach Nourishment", 17, kBold);
    paperHead(b).body(14);
    return {{b.page()}, ""};
}

// Title lines set far apart: two blocks of one size.
Document wideLeading()
{
    PageBuilder b;
    b.line("Multinomial Models of", 17, kBold, 2.0).line("Sediment Sorting", 17, kBold);
    paperHead(b).body(14);
    return {{b.page()}, ""};
}

// A version line in the title's own type right under it.
Document versionInTitleType()
{
    PageBuilder b;
    b.line("Tide Tables", 18, kBold).line("(version 2.0)", 18, kBold);
    paperHead(b).body(14);
    return {{b.page()}, ""};
}

// A software manual's cover: its version in the largest type.
Document versionOnCover()
{
    PageBuilder b;
    b.line("Tide Gauge Toolkit", 20, kBold).gap(10).line("Version 3.2.1", 26, kBold).gap(20);
    b.line("Ann Author", 11).gap(14).line("Introduction", 12, kBold).body(20);
    return {{b.page()}, ""};
}

// A lead paragraph in type larger than the title.
Document largeLead()
{
    PageBuilder b;
    b.line("Harbour Seiches Explained", 15, kBold).line("Ann Author", 11).gap(14);
    for (int i = 0; i < 7; ++i) {
        b.line("we show how the water in a harbour swings when long waves", 17, kTimes, 1.2);
    }
    b.body(20);
    return {{b.page()}, ""};
}

// A series name in the title's size, set in a regular face over the bold
// title.
Document seriesName()
{
    PageBuilder b;
    b.line("Coastal Engineering Reports", 16, kTimes).gap(20).line("Scour at Bridge Piers", 16, kTimesBold);
    paperHead(b).body(14);
    return {{b.page()}, ""};
}

// A cover: the title in the upper half, a publisher's name a little larger
// at the foot.
Document publisherAtTheFoot()
{
    PageBuilder cover(500);
    cover.line("Storm Surge Atlas", 26, kTimesBold);
    cover.gap(300).line("Tidewater Press", 27, kTimesBold);
    return {{cover.page(), PageBuilder().body(40).page()}, ""};
}

// An acronym as the title, its expansion under it: the metadata names both,
// and settles that the line above belongs to the title.
Document acronymAndExpansion()
{
    PageBuilder b;
    b.line("SEICHE", 26, kBold).line("A Harbour Oscillation Model", 17, kBold);
    paperHead(b).body(14);
    return {{b.page()}, "SEICHE - A Harbour Oscillation Model"};
}

// A date in the largest type of a title page.
Document largeDate()
{
    PageBuilder b;
    b.line("March 2021", 22, kBold).gap(20).line("Annual Report on Beach Nourishment", 18, kBold);
    paperHead(b).body(14);
    return {{b.page()}, ""};
}

// A header word in the top margin, larger than the title.
Document headerInTheMargin()
{
    PageBuilder b(700);
    b.line("Longshore Drift on Gravel Beaches", 16, kBold);
    paperHead(b).body(16);
    Page page = b.page();
    page.runs.push_back({"PREPRINT", 24, 72, 765, kBold});
    return {{page}, ""};
}

// Marks that point to notes: a raised smaller one right after the last
// letter (x from the widths of Helvetica-Bold), and one in the title's size.
Document footnoteMarks()
{
    PageBuilder b;
    b.line("Tidal Mixing Revisited", 18, kBold).line("in Shallow Seas\x86", 18, kBold);
    paperHead(b).body(16);
    Page page = b.page();
    page.runs.push_back({"1", 10, 72 + 189.1, 727, kBold});
    return {{page}, ""};
}

Document subtitleBelow()
{
    PageBuilder b;
    b.line("Coastal Dunes", 20, kBold).line("a field study of formation and decay", 14, kBold);
    paperHead(b).body(16);
    return {{b.page()}, ""};
}

// After a colon, the next line goes on with the title whatever its case.
Document colonSubtitle()
{
    PageBuilder b;
    b.line("Rip Currents Revisited:", 20, kBold).line("Observations From Drifter Experiments", 15, kBold);
    paperHead(b).body(16);
    return {{b.page()}, ""};
}

// A line of names in the subtitle's place is not a subtitle.
Document namesBelowTitle()
{
    PageBuilder b;
    b.line("Estuarine Turbidity Maxima", 20, kBold).line("Carla Diaz, Dan Evans and Fiona Green", 14);
    b.gap(14).line("Abstract", 10, kTimesBold).body(10).body(12);
    return {{b.page()}, ""};
}

// Nor is an institution's name, though it reads as a phrase.
Document affiliationBelowTitle()
{
    PageBuilder b;
    b.line("Estuarine Turbidity Maxima", 20, kBold).line("Institute of Marine Sciences, Tidewater", 14);
    b.line("Carla Diaz", 11).gap(14).line("Abstract", 10, kTimesBold).body(10).body(12);
    return {{b.page()}, ""};
}

// A title set in a Type 3 font whose size the library guesses far too small.
Document type3Title()
{
    PageBuilder b;
    b.line("Modelling Tidal Flats", 20, pdfgen::kType3Font);
    paperHead(b).body(16);
    return {{b.page()}, ""};
}

// Ligatures that a TeX font names only by number reach the text as
// control codes.
Document texLigatures()
{
    PageBuilder b;
    b.line("Di\x1B" "erential E\x0B" "ects of Tides", 20, pdfgen::kType3Font);
    paperHead(b).body(16);
    return {{b.page()}, ""};
}

Document blankFirstPage()
{
    PageBuilder b;
    b.line("Dredging and Turbidity", 18, kBold);
    paperHead(b).body(16);
    return {{Page{}, b.page()}, ""};
}

// Page 1 holds only running text (a program's output); the paper begins on
// page 2, without an abstract.
Document textOnlyFirstPage()
{
    PageBuilder first;
    first.body(3, 10, "output");
    PageBuilder b;
    b.line("Dredging and Turbidity", 18, kBold).line("Ann Author", 11).gap(14).body(30);
    return {{first.page(), b.page()}, ""};
}

// A title and the abstract heading set letter-spaced: one letter per run,
// half an em between letters, a space more between words (x from
// Helvetica-Bold's widths).
Document letterSpaced()
{
    PageBuilder b;
    b.gap(40).line("Ann Author", 11).gap(40).body(14);
    Page page = b.page();
    auto spaced = [&page](const std::string &text, double size, double y) {
        static const std::string kWidths = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
        static const int kThousandths[] = {722, 722, 722, 722, 667, 611, 778, 722, 278, 556, 722, 611, 833,
                                           722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611};
        double x = 72;
        for (char c : text) {
            if (c == ' ') {
                x += 0.8 * size;
                continue;
            }
            page.runs.push_back({std::string(1, c), size, x, y, kBold});
            x += kThousandths[kWidths.find(c)] * size / 1000 + 0.5 * size;
        }
    };
    spaced("TIDAL MIXING", 18, 730);
    spaced("ABSTRACT", 10, 610);
    return {{page}, ""};
}

Document hyphenatedTitle()
{
    PageBuilder b;
    b.line("Hydrodynamic Mod-", 18, kBold).line("elling of Reef Flats", 18, kBold);
    paperHead(b).body(16);
    return {{b.page()}, ""};
}

// A long paper without an abstract heading: page 1 settles it.
Document longWithoutHeading()
{
    PageBuilder b;
    b.line("A Field Guide to Coastal Salt Marshes", 22, kBold).line("Ann Author", 11).gap(20).body(30);
    Document doc{{b.page()}, ""};
    for (int i = 0; i < 24; ++i) {
        doc.pages.push_back(PageBuilder().line("Chapter " + std::to_string(i + 2), 24, kBold).body(40).page());
    }
    return doc;
}

// A drop cap larger than the title.
Document dropCap()
{
    PageBuilder b;
    b.line("Estuaries Explained", 18, kBold).line("Ann Author", 11).gap(20);
    Page page = b.body(20).page();
    page.runs.push_back({"W", 48, 72, 560, kTimesBold});
    return {{page}, ""};
}

// A conference style: the title, authors in three columns with their
// addresses, an abstract that begins its own paragraph, sections numbered
// in capitals.
Document ieeeStyle()
{
    Page page;
    page.runs.push_back({"Adaptive Meshes for Tsunami Runup Simulation", 24, 60, 700, kTimes});
    const double xs[] = {70, 250, 430};
    const char *names[] = {"Gail Hart", "Ivan Jones", "Kim Lee"};
    for (int i = 0; i < 3; ++i) {
        page.runs.push_back({names[i], 11, xs[i], 660, kTimes});
        page.runs.push_back({"Dept. of Computing", 10, xs[i], 646, "Times-Italic"});
        page.runs.push_back({"Harbour Institute", 10, xs[i], 634, "Times-Italic"});
        page.runs.push_back({std::string("h") + static_cast<char>('a' + i) + "@harbour.edu", 10, xs[i], 622, kTimes});
    }
    PageBuilder left(590, 54);
    left.words({{"Abstract-This", 9, 0, 0, "Times-BoldItalic"}, {"paper presents a method for", 9, 0, 0, kTimesBold}});
    left.body(9, 9, "ieee").gap(6).line("I. INTRODUCTION", 10, kTimes).body(24, 10, "intro");
    PageBuilder right(590, 318);
    right.body(44, 10, "rightcol");
    return {{merged(merged(page, left.page()), right.page())}, ""};
}

// A publisher's header: a line naming where the journal is found, its name
// in large type, its web address; the article's data in a side column.
Document publisherHeader()
{
    Page page;
    page.runs.push_back({"Contents lists available at ScienceDirect", 8, 230, 760, kTimes});
    page.runs.push_back({"Journal of Estuarine Studies", 15, 215, 740, kTimes});
    page.runs.push_back({"journal homepage: www.example.com/locate/jes", 8, 225, 724, kTimes});
    page.runs.push_back({"Nutrient fluxes across a tidal inlet", 17, 54, 670, kTimes});
    page.runs.push_back({"Lena Moss, Omar Nash", 11, 54, 645, kTimes});
    page.runs.push_back({"Harbour Institute, Tidewater, USA", 7, 54, 630, "Times-Italic"});
    PageBuilder left(600, 54);
    left.line("ARTICLE INFO", 8, kTimesBold).line("Article history:", 7, "Times-Italic").line("Received 12 March 2020", 7, kTimes)
        .line("Accepted 2 June 2020", 7, kTimes).line("Keywords:", 7, "Times-Italic").line("Tidal inlet", 7, kTimes);
    PageBuilder right(600, 200);
    right.line("ABSTRACT", 8, kTimesBold).body(12, 8, "els").gap(10).line("1. Introduction", 9, kTimesBold).body(30, 9, "els2");
    return {{merged(merged(page, left.page()), right.page())}, ""};
}

// A title in small capitals: capitals in the full size, the other letters
// as smaller capitals right after them, on one baseline (x from the widths
// of Times-Bold).
Document smallCapsTitle()
{
    PageBuilder b;
    paperHead(b.gap(30)).body(16);
    Page page = b.page();
    page.runs.push_back({"T", 18, 72, 720, kTimesBold});
    page.runs.push_back({"IDES AND", 14, 84.0, 720, kTimesBold});
    page.runs.push_back({"C", 18, 154.0, 720, kTimesBold});
    page.runs.push_back({"URRENTS", 14, 167.0, 720, kTimesBold});
    return {{page}, ""};
}

// Two columns: the right one opens with the first section at the top of
// the page, while the title stands lower in the left one, under a banner.
Document sectionInTheRightColumn()
{
    PageBuilder left(720, 54);
    left.line("Coastal Letters", 14, kBold).gap(90).line("Tidal Bores", 22, kBold).line("Ann Author", 11, kTimes);
    left.gap(14).body(24, 9, "left");
    PageBuilder right(720, 318);
    right.line("1 Introduction", 12, kBold).body(40, 9, "right");
    return {{merged(left.page(), right.page())}, ""};
}

// A paper's number in capitals and digits, larger than the title.
Document paperNumber(const std::string &number)
{
    PageBuilder b;
    b.line(number, 18, kBold).gap(20).line("Tide Gauges at Sea", 14, kBold);
    paperHead(b).body(16);
    return {{b.page()}, ""};
}

// A cover that says what kind of document it is, in larger type than the
// title.
Document documentKind()
{
    PageBuilder b(650);
    b.line("MASTER'S THESIS", 26, kBold).gap(40).line("Salt Wedges in Tidal Rivers", 18, kBold).gap(60);
    b.line("Ann Author", 12, kTimes).line("University of Tidewater", 12, kTimes);
    return {{b.page()}, ""};
}

Document documentKindCjk()
{
    PageBuilder b(650);
    b.line("博士研究生学位论文", 26, pdfgen::kUnicodeFont).gap(40).line("潮汐测量研究", 22, pdfgen::kUnicodeFont);
    b.gap(60).line("某某大学", 14, pdfgen::kUnicodeFont);
    return {{b.page()}, ""};
}

// A form on a cover: each label on the baseline of its field.
Document fieldLabels()
{
    Page page;
    page.runs.push_back({"题目：", 22, 100, 600, pdfgen::kUnicodeFont});
    page.runs.push_back({"潮汐测量", 22, 260, 600, pdfgen::kUnicodeFont});
    page.runs.push_back({"姓名：", 16, 100, 500, pdfgen::kUnicodeFont});
    page.runs.push_back({"某某", 16, 260, 500, pdfgen::kUnicodeFont});
    return {{page}, ""};
}

// A title in bold in the size of the running text, the names under it in
// regular type of the same size.
Document boldTitleInTextSize()
{
    PageBuilder b;
    b.line("The Tide Table Macros", 10, kTimesBold, 1.2).line("Ann Author & Bo Builder", 10, kTimes);
    b.gap(12).line("1 Introduction", 10, kTimesBold).body(30);
    return {{b.page()}, ""};
}

// A page cut down to its text: the title at its very top, nothing to the
// left of the text.
Document croppedToText()
{
    PageBuilder b(698, 1);
    b.line("Tidal Mixing in Estuaries", 18, kBold, 2.8).line("Ann Author and Bo Builder", 12, kTimes);
    b.gap(14).line("Abstract", 10, kTimesBold).body(30, 10, "crop");
    Page page = b.page();
    page.width = 495;
    page.height = 714;
    return {{page}, ""};
}

// Marks in a row, set apart by commas, and the names under the title.
Document markCommas()
{
    PageBuilder b;
    b.line("Tidal Mixing in Estuaries*,**", 18, kBold).line("Ann Author, Bo Builder", 12, kTimes);
    b.gap(14).line("Abstract", 10, kTimesBold).body(20);
    return {{b.page()}, ""};
}

// A raised letter right after the title's last word points to a note (x
// from the Unicode font's advance, 0.55 of the size).
Document raisedLetterMark()
{
    PageBuilder b;
    b.gap(30).line("Ann Author", 11, kTimes).gap(14).line("Abstract", 10, kTimesBold).body(20);
    Page page = b.page();
    page.runs.push_back({"Sample Title With a Note", 18, 72, 730, pdfgen::kUnicodeBoldFont});
    page.runs.push_back({"a)", 10, 72 + 24 * 0.55 * 18, 737, pdfgen::kUnicodeFont});
    return {{page}, ""};
}

// A package name in a typewriter font of the bitmap kind under the title:
// its letters are all as wide as its widest, so its size is not what a
// proportional font of that width would have.
Document typewriterType3()
{
    PageBuilder b;
    b.line("Visualising Long Vectors", 17, pdfgen::kType3Font).line("TideMeter and TideMeterGUI", 13, pdfgen::kType3MonoFont);
    paperHead(b).body(16);
    return {{b.page()}, ""};
}

// Three paragraphs of prose whose last lines end as rows of contents do
// ("... 10"): rows, but no list.
Document rowsInProse()
{
    PageBuilder b;
    b.line("Tidal Mixing in Shallow Estuaries", 17, kBold);
    paperHead(b);
    for (int i = 0; i < 3; ++i) {
        b.body(3, 10, "prose" + std::to_string(i)).line("as the gauges showed in the table ... 10", 10, kTimes, 1.25);
        b.gap(10);
    }
    return {{b.page()}, ""};
}

// A Polish byline under the title: its capitals are capitals.
Document polishByline()
{
    PageBuilder b;
    b.line("Tidal Mixing in Shallow Estuaries", 17, pdfgen::kUnicodeBoldFont);
    b.line("Łukasz Żak and Anna Nowak", 12, pdfgen::kUnicodeFont).gap(14);
    b.line("Abstract", 10, kTimesBold).body(10).body(12);
    return {{b.page()}, ""};
}

// The same paper, drawn as a page that a viewer turns (/Rotate), or drawn
// upside down on an upright page.
Document turnedPage(int rotate)
{
    Document doc = simpleArticle();
    Page &page = doc.pages.front();
    if (rotate == 180) {
        for (TextRun &r : page.runs) {
            r.x = page.width - r.x;
            r.y = page.height - r.y;
            r.angle = 180;
        }
    } else {
        page.rotate = rotate;
    }
    return doc;
}

// Text of no size, turned, with more letters than the visible page.
Document invisibleTurnedText()
{
    Document doc = simpleArticle();
    for (int i = 0; i < 60; ++i) {
        doc.pages.front().runs.push_back(
            {"an invisible layer of text with many letters in it", 0, 300, 40.0 + 12 * i, kTimes, 90});
    }
    return doc;
}

// A line of two thousand characters in one word over the title, on a page
// wide enough to hold it. (make-papers --long-line writes a hundred
// thousand for the benchmark: the PDF library grows a word's arrays a
// little at a time, which a sanitizer's allocator makes quadratic.)
Document endlessLine()
{
    std::string line;
    while (line.size() < 2000) {
        line += "tide";
    }
    PageBuilder b;
    b.line(line, 20, kBold).line("Tidal Mixing in Shallow Estuaries", 16, kBold);
    paperHead(b).body(16);
    Page page = b.page();
    page.width = 30000;
    return {{page}, ""};
}

// A Spanish list of contents' heading, larger than the title, with no rows
// under it.
Document spanishContentsHeading()
{
    PageBuilder b;
    b.line("Manual de mareas", 16, kBold).line("Ana Autora", 11).gap(20).line("\xCDndice general", 22, kBold);
    b.body(20);
    return {{b.page()}, ""};
}

// A bold title over names of its size: TeX's bold face under a subset tag,
// or its regular Bright face, whose name begins as a bold one's does.
Document texFonts(const std::string &titleFont, const std::string &namesFont)
{
    PageBuilder b;
    b.line("Tidal Mixing in Estuaries", 14, titleFont).line("Ann Author and Bo Builder", 14, namesFont);
    b.gap(14).line("Abstract", 10, kTimesBold).body(20);
    return {{b.page()}, ""};
}

struct Row {
    const char *name;
    std::function<Document()> make;
    std::string title;  // UTF-8
    int pages = 0;      // pages the rule may lay out; 0: not checked
};

void PrintTo(const Row &row, std::ostream *os)
{
    *os << row.name;
}

class RefinedTitleLayouts : public ::testing::TestWithParam<Row> {
protected:
    TempDir dir;
};

TEST_P(RefinedTitleLayouts, FindsTheTitle)
{
    const Row &row = GetParam();
    const std::string path = dir.file(std::string(row.name) + ".pdf");
    pdfgen::writeFile(path, row.make());
    const RefinedExtraction r = extractRefinedTitle(path);
    EXPECT_EQ(r.title, row.title);
    if (row.pages > 0) {
        EXPECT_EQ(r.pagesRead, row.pages);
    }
}

const Row kRows[] = {
    {"masthead", [] { return journalMasthead(); }, "Sediment Budgets of Barrier Islands", 1},
    {"mastheadMetadata", mastheadAndMetadata, "Sediment Budgets of Barrier Islands"},
    {"wrongMetadata", wrongMetadata, "Wave Setup on Coral Reefs"},
    {"xmpTie", xmpSettlesATie, "Groundwater Recharge in Dune Belts"},
    {"turnedText", turnedText, "Neural Parsing of Tide Tables"},
    {"twoColumn", twoColumnConference, "Learning to Forecast Storm Surges", 1},
    {"institutionCover", institutionCover, "Scour around Offshore Monopiles", 2},
    {"thesisCover", thesisCover, "Salt Marsh Accretion under Rising Sea Levels"},
    {"allCaps", allCaps, "A STUDY OF TIDAL MIXING IN SHALLOW ESTUARIES"},
    {"greek",
     [] {
         return script("Μελέτη της παλιρροιακής ανάμειξης", "Άννα Παπαδοπούλου", "Περίληψη",
                       "η μελέτη εξετάζει την ανάμειξη των υδάτων στις εκβολές των ποταμών");
     },
     "Μελέτη της παλιρροιακής ανάμειξης"},
    {"chinese",
     [] { return script("浅海河口潮汐混合研究", "张伟", "摘要", "本文研究浅海河口的潮汐混合过程及其对沉积物输运的影响"); },
     "浅海河口潮汐混合研究"},
    {"contents", contentsPage, "Guide to the Estuary Toolkit"},
    {"sectionHeading", sectionHeadingLargerThanTitle, "Notes on Harbour Seiches"},
    {"outline", outlinedSections, "Grazing Pressure on Salt Marshes"},
    {"version", versionOnCover, "Tide Gauge Toolkit"},
    {"versionInTitleType", versionInTitleType, "Tide Tables"},
    {"webAddress", webAddress, "Annual Report on Beach Nourishment"},
    {"wideLeading", wideLeading, "Multinomial Models of Sediment Sorting"},
    {"largeLead", largeLead, "Harbour Seiches Explained"},
    {"seriesName", seriesName, "Scour at Bridge Piers"},
    {"publisherAtTheFoot", publisherAtTheFoot, "Storm Surge Atlas"},
    {"acronym", acronymAndExpansion, "SEICHE A Harbour Oscillation Model"},
    {"monthInTitle", [] { return titled("Storm Surges of January 1953"); }, "Storm Surges of January 1953"},
    {"volumeInTitle", [] { return titled("Finite Volume Methods for 2D Flows"); },
     "Finite Volume Methods for 2D Flows"},
    {"largeDate", largeDate, "Annual Report on Beach Nourishment"},
    {"marginHeader", headerInTheMargin, "Longshore Drift on Gravel Beaches"},
    {"footnoteMarks", footnoteMarks, "Tidal Mixing Revisited in Shallow Seas"},
    {"subtitle", subtitleBelow, "Coastal Dunes a field study of formation and decay"},
    {"colonSubtitle", colonSubtitle, "Rip Currents Revisited: Observations From Drifter Experiments"},
    {"namesBelow", namesBelowTitle, "Estuarine Turbidity Maxima"},
    {"affiliationBelow", affiliationBelowTitle, "Estuarine Turbidity Maxima"},
    {"type3", type3Title, "Modelling Tidal Flats"},
    {"texLigatures", texLigatures, "Differential Effects of Tides"},
    {"blankFirstPage", blankFirstPage, "Dredging and Turbidity", 2},
    {"textOnlyFirstPage", textOnlyFirstPage, "Dredging and Turbidity", 2},
    {"letterSpaced", letterSpaced, "TIDAL MIXING"},
    {"hyphenated", hyphenatedTitle, "Hydrodynamic Modelling of Reef Flats"},
    {"longNoHeading", longWithoutHeading, "A Field Guide to Coastal Salt Marshes", 1},
    {"dropCap", dropCap, "Estuaries Explained"},
    {"ieee", ieeeStyle, "Adaptive Meshes for Tsunami Runup Simulation"},
    {"publisher", publisherHeader, "Nutrient fluxes across a tidal inlet"},
    {"smallCaps", smallCapsTitle, "TIDES AND CURRENTS"},
    {"sectionInTheRightColumn", sectionInTheRightColumn, "Tidal Bores", 1},
    {"paperNumber", [] { return paperNumber("TIDES2023-0042"); }, "Tide Gauges at Sea"},
    {"versionInTitleLine", [] { return titled("Tidemeter version 2: a small toolkit for reading tide gauges"); },
     "Tidemeter version 2: a small toolkit for reading tide gauges"},
    {"documentKind", documentKind, "Salt Wedges in Tidal Rivers"},
    {"documentKindCjk", documentKindCjk, "潮汐测量研究"},
    {"fieldLabels", fieldLabels, "潮汐测量"},
    {"boldTitleInTextSize", boldTitleInTextSize, "The Tide Table Macros"},
    {"croppedToText", croppedToText, "Tidal Mixing in Estuaries"},
    {"markCommas", markCommas, "Tidal Mixing in Estuaries"},
    {"raisedLetterMark", raisedLetterMark, "Sample Title With a Note"},
    // TeX's accented i: the dotless letter, then the accent.
    {"dotlessIAccent",
     [] { return script("Un art\u0131\u0301culo sobre mareas", "Ana Autora", "Resumen", "el estudio examina las mareas"); },
     "Un artículo sobre mareas"},
    {"typewriterType3", typewriterType3, "Visualising Long Vectors"},
    {"rowsInProse", rowsInProse, "Tidal Mixing in Shallow Estuaries"},
    {"polishByline", polishByline, "Tidal Mixing in Shallow Estuaries"},
    {"volumeWordInTitle", [] { return titled("Finite Volume 2D Schemes for Tidal Flow"); },
     "Finite Volume 2D Schemes for Tidal Flow"},
    {"issueWordInTitle", [] { return titled("The Issue 2000 Problem"); }, "The Issue 2000 Problem"},
    {"doiMasthead", [] { return journalMasthead("doi: 10.1000/tides.2021.7"); }, "Sediment Budgets of Barrier Islands"},
    {"capitalsAndDigit", [] { return titled("WORD2VEC"); }, "WORD2VEC"},
    {"capitalsAndTwoDigits", [] { return titled("TIDES19"); }, "TIDES19"},
    {"capitalsAndThreeDigits", [] { return paperNumber("TIDES-190"); }, "Tide Gauges at Sea"},
    {"rotate90", [] { return turnedPage(90); }, "Tidal Mixing in Shallow Estuaries"},
    {"rotate270", [] { return turnedPage(270); }, "Tidal Mixing in Shallow Estuaries"},
    {"upsideDown", [] { return turnedPage(180); }, "Tidal Mixing in Shallow Estuaries"},
    {"invisibleTurnedText", invisibleTurnedText, "Tidal Mixing in Shallow Estuaries"},
    {"endlessLine", endlessLine, "Tidal Mixing in Shallow Estuaries"},
    {"spanishContents", spanishContentsHeading, "Manual de mareas"},
    {"subsetTaggedBold", [] { return texFonts("ABCDEF+CMBX12", "ABCDEF+CMR12"); }, "Tidal Mixing in Estuaries"},
    {"cmBrightRegular", [] { return texFonts("CMBX12", "CMBR12"); }, "Tidal Mixing in Estuaries"},
    {"hyphenBeforeCapital",
     [] {
         PageBuilder b;
         b.line("Self-", 18, kBold).line("Organizing Maps of Reef Flats", 18, kBold);
         paperHead(b).body(16);
         return Document{{b.page()}, ""};
     },
     "Self-Organizing Maps of Reef Flats"},
};

INSTANTIATE_TEST_SUITE_P(Layouts, RefinedTitleLayouts, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row> &info) { return std::string(info.param.name); });

// The bounded comparison gives the full one's answer on both sides of its
// threshold, for texts of title length and far longer.
TEST(RefinedSimilarity, BoundedComparisonAgreesWithTheFullOne)
{
    // `changes` letters of `text` replaced, from its start.
    auto changed = [](std::u32string text, std::size_t changes) {
        for (std::size_t i = 0; i < changes; ++i) {
            text[i] = U'x';
        }
        return text;
    };
    const std::u32string title = U"tidalmixinginshallowestuaries";  // 29 letters
    const std::u32string longText(1000, U'a');
    struct Case {
        std::u32string a, b;
        double threshold;
        bool similar;
    };
    const Case cases[] = {
        {title, changed(title, 4), 0.85, true},    // 25/29 = 0.862
        {title, changed(title, 5), 0.85, false},   // 24/29 = 0.828
        {title, title.substr(0, 25), 0.85, true},  // 4 letters fewer
        {title, title.substr(0, 24), 0.85, false},
        {longText, changed(longText, 150), 0.85, true},
        {longText, changed(longText, 151), 0.85, false},
        {longText, longText.substr(0, 850), 0.85, true},
        {longText, longText.substr(0, 849), 0.85, false},
        {U"", U"", 0.85, true},
        {U"", title, 0.85, false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(refined::similarAtLeast(c.a, c.b, c.threshold), c.similar) << c.b.size() << " letters, threshold " << c.threshold;
        EXPECT_EQ(refined::similarAtLeast(c.b, c.a, c.threshold), c.similar) << c.b.size() << " letters, threshold " << c.threshold;
        EXPECT_EQ(refined::similarity(c.a, c.b) >= c.threshold, c.similar) << c.b.size() << " letters, threshold " << c.threshold;
    }
}

// What the library says, kept for one test.
class Messages {
public:
    Messages()
    {
        setErrorSink([this](const std::string &m) { text += m + "\n"; });
    }
    ~Messages() { setErrorSink(nullptr); }
    Messages(const Messages &) = delete;
    Messages &operator=(const Messages &) = delete;
    std::string text;
};

TEST(RefinedTitleBadInput, NoTitleAndTheReason)
{
    TempDir dir;
    Messages messages;
    EXPECT_EQ(extractRefinedTitle(dir.file("missing.pdf")).title, "");
    EXPECT_FALSE(messages.text.empty());

    writeFileBytes(dir.file("truncated.pdf"), pdfgen::render(simpleArticle()).substr(0, 400));
    EXPECT_EQ(extractRefinedTitle(dir.file("truncated.pdf")).title, "");

    // A document that would keep the library busy for hours gives up in
    // time, after its first page.
    writeFileBytes(dir.file("endless.pdf"), endlessPdf());
    const RefinedExtraction e =
        extractRefinedTitle(dir.file("endless.pdf"), ExtractionOptions{std::chrono::milliseconds(300)});
    EXPECT_TRUE(e.timedOut);
    EXPECT_EQ(e.title, "");
    EXPECT_EQ(e.pagesRead, 1);
    EXPECT_NE(messages.text.find("too long"), std::string::npos);

#ifdef TIDEMARK_ENCRYPTED_DIR
    const std::string encrypted = TIDEMARK_ENCRYPTED_DIR;
    messages.text.clear();
    EXPECT_EQ(extractRefinedTitle(encrypted + "/user-password.pdf").title, "");
    EXPECT_FALSE(messages.text.empty());
    messages.text.clear();
    EXPECT_EQ(extractRefinedTitle(encrypted + "/no-copy.pdf").title, "");
    EXPECT_NE(messages.text.find("Copying of text from this document is not allowed."), std::string::npos);
    EXPECT_EQ(extractRefinedTitle(encrypted + "/copy-allowed.pdf").title, "Tidal Mixing in Shallow Estuaries");
#endif
}

}  // namespace
}  // namespace tidemark
