#pragma once

#include <string>
#include <vector>

// A small PDF writer for tests, samples and benchmarks: pages of text runs in
// the base-14 fonts at chosen sizes and positions, laid out by whoever reads
// the file. Text is given as bytes in the font's built-in encoding
// (WinAnsi for the text fonts, so Latin-1 letters work; the Symbol font's own
// code for Greek letters, e.g. "a" is alpha). Two more fonts:
// - kUnicodeFont (and kUnicodeBoldFont): text in UTF-8, any script, drawn
//   through a composite font whose character codes are the code points
//   (the basic plane), with a ToUnicode map;
// - kType3Font: letters, digits and spaces drawn by procedures, as TeX's
//   bitmap fonts are; its 'm' is drawn narrow, which leads a reader that
//   guesses the size of such a font from its 'm' to a size far too small.
//   Bytes 0x0B-0x0F and 0x1B-0x1F are its ligatures (ff, fi, fl, ffi, ffl),
//   named by number only. Its i, j, l, r and t are narrow;
// - kType3MonoFont: the same as a typewriter font, every glyph 0.6 of the
//   size wide.
namespace pdfgen {

inline const std::string kUnicodeFont = "Unicode";
inline const std::string kUnicodeBoldFont = "Unicode-Bold";
inline const std::string kType3Font = "Type3";
inline const std::string kType3MonoFont = "Type3-Mono";

struct TextRun {
    std::string text;
    double size = 10;
    double x = 72;
    double y = 700;  // baseline, from the bottom of the page
    std::string font = "Helvetica";
    int angle = 0;   // 0, or 90 to run up the page, 270 to run down it, 180 upside down
};

struct Page {
    std::vector<TextRun> runs;
    double width = 612;
    double height = 792;
    int rotate = 0;  // the page's /Rotate: how far a viewer turns it clockwise
};

struct Document {
    std::vector<Page> pages;
    std::string infoTitle;  // metadata title, which the title search must ignore
    std::string xmpTitle{};  // UTF-8; an XMP metadata stream with this dc:title when set
    std::vector<std::string> outline{};  // bookmarks to page 1 (Latin-1)
};

// The complete file: header, objects, cross-reference table and trailer.
std::string render(const Document &doc);

// Writes render(doc) to `path`; throws std::runtime_error when it cannot.
void writeFile(const std::string &path, const Document &doc);

// A paper-like page builder: runs stacked from the top of the page down.
class PageBuilder {
public:
    explicit PageBuilder(double top = 720, double left = 72) : y_(top), left_(left) {}
    // One line in `font` at `size`, then moves down by `lead` times the size.
    PageBuilder &line(const std::string &text, double size, const std::string &font = "Helvetica",
                      double lead = 1.3);
    // Several runs on one baseline: {text, size, font} left to right.
    PageBuilder &words(const std::vector<TextRun> &runs, double lead = 1.3);
    PageBuilder &gap(double points);
    // A paragraph of `lines` lines of body text at `size`.
    PageBuilder &body(int lines, double size = 10, const std::string &seed = "text");
    Page page() const { return page_; }

private:
    Page page_;
    double y_;
    double left_;
};

}  // namespace pdfgen
