#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

class PDFDoc;

namespace tidemark::refined {

// A page as the PDF library lays it out, copied into plain values so that
// the title rule can look at it after the library has moved on. Coordinates
// are points from the top left corner of the page as it is shown (the page's
// own rotation applied); text that runs down or up the page has a rotation
// of 1 or 3 (quarter turns).
struct Word {
    std::u32string text;
    double size = 0;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    double baseline = 0;  // y of the baseline (x for turned text)
    int rotation = 0;
    bool bold = false;
    bool spaceAfter = false;
    const void *font = nullptr;  // identifies the font of its first character on the page
};

struct Line {
    std::vector<Word> words;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    double baseline = 0;
    int rotation = 0;
    int index = 0;  // its place among the lines of its page, once pieces are joined
    bool hyphenated = false;

    // The size most of its characters are set in (a footnote mark or a
    // drop cap does not change it).
    double size() const;
    std::u32string text() const;
    std::size_t letters() const;
};

struct PageLayout {
    int number = 0;
    double width = 0;
    double height = 0;
    std::vector<Line> lines;  // in the library's reading order
};

// The rotation most of a page's letters share (0 to 3 quarter turns), by
// the letters of its visible words: text of no size (an invisible layer)
// has no say.
int dominantRotation(const std::vector<Line> &lines);

// Turns a page so that text of `rotation` reads upright: a page that a
// viewer shows turned (its /Rotate) or that is drawn turned or upside down
// is then read as any other, its coordinates from its top left corner as
// that text stands, and each word's rotation counted from that text's.
void turnUpright(PageLayout &page, int rotation);

// Characters counted by the size they are set in (to a tenth of a point);
// the mode is the size most of them share.
class SizeTally {
public:
    void add(const Word &word);
    void add(const Line &line);
    bool empty() const { return counts_.empty(); }
    double mode() const;  // 0 when empty

private:
    std::map<long, std::size_t> counts_;
};

// Lays out the pages of one open document with the library's text device,
// one page at a time, reusing the device.
class PageReader {
public:
    explicit PageReader(PDFDoc &doc);
    ~PageReader();
    PageReader(const PageReader &) = delete;
    PageReader &operator=(const PageReader &) = delete;

    // Lays out page `number` (from 1). `abort` is polled by the library
    // while it draws; a true answer ends the page early.
    PageLayout read(int number, bool (*abort)(void *data), void *abortData);

    class Device;

private:
    PDFDoc &doc_;
    std::unique_ptr<Device> device_;
};

}  // namespace tidemark::refined
