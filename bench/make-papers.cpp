// make-papers: writes a folder of paper-like PDFs for benchmarks.
//
//   make-papers FOLDER COUNT [SEED]       COUNT papers of 1 to 30 pages in
//                                         varied layouts, a third of them
//                                         without an abstract heading; prints
//                                         "FILE<TAB>PAGES<TAB>PAGES THE TITLE
//                                         SEARCH READS" for each
//   make-papers --pages N FILE            one N-page paper without a heading
//   make-papers --long-line FILE          a cover and a paper, each with a
//                                         line of 100,000 characters in one
//                                         word
#include <cstdio>
#include <cstdlib>
#include <string>

#include "PdfWriter.h"

using pdfgen::Document;
using pdfgen::PageBuilder;

namespace {

unsigned next(unsigned &h)
{
    h = h * 1103515245u + 12345u;
    return h >> 8;
}

const char *kWords[] = {"Tidal",   "Mixing",  "Coastal", "Sediment", "Waves",    "Estuary", "Modelling",
                        "Dynamics", "Shelf",  "Currents", "Salinity", "Nutrient", "Transport", "Reef",
                        "Turbidity", "Flux",  "Marsh",   "Erosion",  "Plankton", "Storm"};

std::string title(unsigned &h, int words)
{
    std::string t;
    for (int i = 0; i < words; ++i) {
        t += (i ? " " : "");
        t += kWords[next(h) % (sizeof kWords / sizeof *kWords)];
    }
    return t;
}

Document paper(unsigned seed, int pages, bool heading)
{
    unsigned h = seed * 2654435761u + 1;
    const char *fonts[] = {"Helvetica-Bold", "Times-Bold", "Helvetica", "Times-Roman"};
    const std::string font = fonts[next(h) % 4];
    const double size = 14 + next(h) % 10;
    Document doc;
    PageBuilder first;
    if (next(h) % 5 == 0) {
        // A running head in small type above the title.
        first.line("Journal of Coastal Studies, vol. 12", 8);
    }
    first.line(title(h, 3 + static_cast<int>(next(h) % 4)), size, font);
    if (next(h) % 3 == 0) {
        first.line(title(h, 4), size, font);
    }
    first.gap(6).line("Ada Marlow, Jonas Pike and Ruth Okafor", 11).line("Brightfold Institute", 9).gap(10);
    if (heading) {
        first.line("Abstract", 10, "Helvetica-Bold");
    }
    first.body(30, 10, std::to_string(seed));
    doc.pages.push_back(first.page());
    for (int p = 1; p < pages; ++p) {
        PageBuilder b;
        b.line(std::to_string(p + 1) + " Results", 12, "Helvetica-Bold").body(48, 10, std::to_string(seed + p));
        doc.pages.push_back(b.page());
    }
    return doc;
}

// What comparing the blocks of two pages costs when each page holds a line
// of a hundred thousand characters in one word (on pages wide enough to
// hold it): a cover, then the paper.
Document longLine()
{
    std::string text;
    while (text.size() < 100000) {
        text += "surge";
    }
    PageBuilder cover(600);
    cover.line(text, 24, "Helvetica-Bold");
    PageBuilder paper;
    paper.line(text, 20, "Helvetica-Bold").line("Storm Surges of the North Sea", 18, "Helvetica-Bold");
    paper.line("Ada Marlow", 12).gap(10).line("Abstract", 10, "Helvetica-Bold").body(30);
    Document doc{{cover.page(), paper.page()}, ""};
    for (pdfgen::Page &page : doc.pages) {
        page.width = 1.2e6;
    }
    return doc;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::string(argv[1]) == "--pages") {
        pdfgen::writeFile(argv[3], paper(1, std::atoi(argv[2]), false));
        return 0;
    }
    if (argc == 3 && std::string(argv[1]) == "--long-line") {
        pdfgen::writeFile(argv[2], longLine());
        return 0;
    }
    if (argc < 3) {
        std::fputs("usage: make-papers FOLDER COUNT [SEED] | make-papers --pages N FILE | make-papers --long-line FILE\n",
                   stderr);
        return 2;
    }
    const std::string dir = argv[1];
    const int count = std::atoi(argv[2]);
    unsigned h = argc > 3 ? static_cast<unsigned>(std::atoi(argv[3])) : 1u;
    for (int i = 0; i < count; ++i) {
        const int pages = 1 + static_cast<int>(next(h) % 30);
        const bool heading = next(h) % 3 != 0;
        char name[64];
        std::snprintf(name, sizeof name, "/paper-%05d.pdf", i);
        pdfgen::writeFile(dir + name, paper(static_cast<unsigned>(i) + 1, pages, heading));
        std::printf("%s%s\t%d\t%d\n", dir.c_str(), name, pages, heading ? 1 : pages);
    }
    return 0;
}
