// Writes the bundled sample papers: one small PDF per layout that the title
// search has to handle. Usage: make-samples OUTPUT_FOLDER
#include <cstdio>
#include <string>

#include "PdfWriter.h"

using pdfgen::Document;
using pdfgen::PageBuilder;

namespace {

PageBuilder &authors(PageBuilder &b)
{
    return b.gap(6).line("Ada Marlow and Jonas Pike", 12, "Helvetica").line("Institute of Tides, Brightfold", 10);
}

Document abstractOnFirstPage()
{
    PageBuilder b;
    b.line("Tidal Mixing in Shallow Estuaries", 20, "Helvetica-Bold");
    authors(b).gap(12).line("Abstract", 11, "Helvetica-Bold").body(8, 10, "a").gap(8).body(20, 10, "b");
    return {{b.page()}, "draft.dvi"};
}

Document coverPage()
{
    PageBuilder cover;
    cover.gap(200).line("Technical Report Series", 28, "Helvetica-Bold").line("Brightfold Laboratories", 14);
    PageBuilder b;
    b.line("Sediment Transport under Breaking Waves", 18, "Times-Bold");
    authors(b).gap(12).line("ABSTRACT", 10, "Times-Bold").body(30, 10, "c");
    return {{cover.page(), b.page()}, ""};
}

Document noAbstract()
{
    PageBuilder p1;
    p1.line("A Field Guide to Coastal Salt Marshes", 22, "Helvetica-Bold");
    authors(p1).gap(20).line("Introduction", 12, "Helvetica-Bold").body(30, 10, "d");
    PageBuilder p2;
    p2.body(45, 10, "e");
    PageBuilder p3;
    p3.line("References", 12, "Helvetica-Bold").body(20, 9, "f");
    return {{p1.page(), p2.page(), p3.page()}, "Untitled"};
}

Document twoLineTitle()
{
    PageBuilder b;
    b.line("Seasonal Variability of Nutrient Fluxes", 17.5, "Times-Bold")
        .line("across the Continental Shelf Break", 17.5, "Times-Bold");
    authors(b).gap(12).line("Abstract", 11, "Times-Bold").body(25, 10, "g");
    return {{b.page()}, ""};
}

Document colonSubtitle()
{
    PageBuilder b;
    // The subtitle is set smaller than the author line: the block of the
    // next size after the title is the authors, and the one after that the
    // subtitle, which completes a title that ends in a colon.
    b.line("Rip Currents Revisited:", 20, "Helvetica-Bold")
        .line("Observations from Drifter Experiments", 13, "Helvetica-Oblique")
        .gap(6)
        .line("Ada Marlow and Jonas Pike", 14)
        .gap(12)
        .line("Abstract", 11, "Helvetica-Bold")
        .body(20, 10, "h");
    return {{b.page()}, ""};
}

Document hyphenatedTitle()
{
    PageBuilder b;
    b.line("Wave Energy Dissipation and Hydro-", 18, "Helvetica-Bold")
        .line("dynamic Modelling of Reef Flats", 18, "Helvetica-Bold");
    authors(b).gap(12).line("Abstract", 11, "Helvetica-Bold").body(25, 10, "i");
    return {{b.page()}, ""};
}

Document decorativeInitial()
{
    PageBuilder b;
    b.line("M", 48, "Times-Bold").line("Estuarine Turbidity Maxima Explained", 19, "Times-Bold");
    authors(b).gap(12).line("Abstract", 11, "Times-Bold").body(25, 10, "j");
    return {{b.page()}, ""};
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: make-samples OUTPUT_FOLDER\n", stderr);
        return 2;
    }
    const std::string dir = argv[1];
    const struct {
        const char *name;
        Document doc;
    } samples[] = {
        {"paper-abstract-page1.pdf", abstractOnFirstPage()},
        {"paper-cover-page.pdf", coverPage()},
        {"paper-no-abstract.pdf", noAbstract()},
        {"paper-two-line-title.pdf", twoLineTitle()},
        {"paper-colon-subtitle.pdf", colonSubtitle()},
        {"paper-hyphenated-title.pdf", hyphenatedTitle()},
        {"paper-initial-letter.pdf", decorativeInitial()},
    };
    for (const auto &s : samples) {
        pdfgen::writeFile(dir + "/" + s.name, s.doc);
    }
    return 0;
}
