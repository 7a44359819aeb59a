#include "title/refined/Layout.h"

#include <cmath>

#include <algorithm>
#include <map>
#include <utility>
#include <string_view>

#include <goo/GooString.h>
#include <GfxFont.h>
#include <GfxState.h>
#include <PDFDoc.h>
#include <TextOutputDev.h>

#include "title/refined/Text.h"

namespace tidemark::refined {

namespace {

// Type smaller than this is not seen: text set at size zero, as an
// invisible layer of text is now and then.
constexpr double kVisibleSize = 0.5;

bool containsAny(std::string_view name, std::initializer_list<std::string_view> parts)
{
    return std::any_of(parts.begin(), parts.end(), [&](std::string_view p) { return name.find(p) != name.npos; });
}

// Bold faces say so in their descriptor, or more often only in their name
// ("Helvetica-Bold", "NimbusSanL-Bold", TeX's "CMBX12", "LMRoman10-Bold").
bool isBoldFont(const TextFontInfo *font)
{
    if (font == nullptr) {
        return false;
    }
    if (font->isBold()) {
        return true;
    }
    const GooString *name = font->getFontName();
    if (name == nullptr) {
        return false;
    }
    std::string_view n(name->c_str());
    if (const auto plus = n.find('+'); plus != n.npos) {
        n.remove_prefix(plus + 1);  // a subset tag "ABCDEF+"
    }
    // TeX's Computer Modern: CMB10, CMBX12, CMBSY10 are bold; its Bright
    // family is CMBR10 and CMBRSL10 in regular type, CMBRBX10 in bold.
    const bool computerModernBold =
        (n.starts_with("CMB") && !n.starts_with("CMBR")) || n.starts_with("CMBRBX") || n.starts_with("cmbx");
    return containsAny(n, {"Bold", "bold", "BOLD", "Black", "Heavy", "Semibold", "SemiBold", "Demi"}) ||
           computerModernBold || n.starts_with("SFBX");
}

Word copyWord(const TextWord &w)
{
    Word word;
    word.text.reserve(static_cast<std::size_t>(w.getLength()));
    int bold = 0;
    // A word is nearly always set in one font: its name is read once.
    const TextFontInfo *font = nullptr;
    bool fontIsBold = false;
    for (int i = 0; i < w.getLength(); ++i) {
        word.text.push_back(*w.getChar(i));
        if (i == 0 || w.getFontInfo(i) != font) {
            font = w.getFontInfo(i);
            fontIsBold = isBoldFont(font);
        }
        bold += fontIsBold ? 1 : 0;
    }
    word.bold = 2 * bold > w.getLength();
    word.size = w.getFontSize();
    w.getBBox(&word.xMin, &word.yMin, &word.xMax, &word.yMax);
    word.rotation = w.getRotation();
    word.baseline = w.getBaseline();
    word.spaceAfter = w.getSpaceAfter();
    return word;
}

}  // namespace

double Line::size() const
{
    SizeTally tally;
    tally.add(*this);
    return tally.mode();
}

std::u32string Line::text() const
{
    std::u32string out;
    for (const Word &w : words) {
        out += w.text;
        if (w.spaceAfter) {
            out += U' ';
        }
    }
    while (!out.empty() && out.back() == U' ') {
        out.pop_back();
    }
    return out;
}

std::size_t Line::letters() const
{
    std::size_t n = 0;
    for (const Word &w : words) {
        for (char32_t c : w.text) {
            n += isLetter(c) ? 1 : 0;
        }
    }
    return n;
}

int dominantRotation(const std::vector<Line> &lines)
{
    std::size_t count[4] = {0, 0, 0, 0};
    for (const Line &l : lines) {
        for (const Word &w : l.words) {
            if (w.size >= kVisibleSize) {
                for (char32_t c : w.text) {
                    count[w.rotation & 3] += isLetter(c) ? 1 : 0;
                }
            }
        }
    }
    return static_cast<int>(std::max_element(std::begin(count), std::end(count)) - std::begin(count));
}

void turnUpright(PageLayout &page, int rotation)
{
    rotation &= 3;
    if (rotation == 0) {
        return;
    }
    const double width = page.width, height = page.height;
    // A point of the page as shown, in the turned frame.
    auto turn = [rotation, width, height](double x, double y) -> std::pair<double, double> {
        switch (rotation) {
        case 1: return {y, width - x};
        case 2: return {width - x, height - y};
        default: return {height - y, x};
        }
    };
    auto box = [&turn](double &xMin, double &yMin, double &xMax, double &yMax) {
        const auto [x0, y0] = turn(xMin, yMin);
        const auto [x1, y1] = turn(xMax, yMax);
        xMin = std::min(x0, x1);
        xMax = std::max(x0, x1);
        yMin = std::min(y0, y1);
        yMax = std::max(y0, y1);
    };
    // The baseline is a y for upright and upside-down text and an x for
    // text that runs down or up: a point on it, turned, gives it anew.
    auto baseline = [&turn, rotation](double value, int from, double xMin, double yMin) {
        const auto [x, y] = from % 2 == 0 ? turn(xMin, value) : turn(value, yMin);
        return ((from - rotation) & 3) % 2 == 0 ? y : x;
    };
    for (Line &line : page.lines) {
        line.baseline = baseline(line.baseline, line.rotation, line.xMin, line.yMin);
        box(line.xMin, line.yMin, line.xMax, line.yMax);
        line.rotation = (line.rotation - rotation) & 3;
        for (Word &w : line.words) {
            w.baseline = baseline(w.baseline, w.rotation, w.xMin, w.yMin);
            box(w.xMin, w.yMin, w.xMax, w.yMax);
            w.rotation = (w.rotation - rotation) & 3;
        }
    }
    if (rotation % 2 == 1) {
        std::swap(page.width, page.height);
    }
}

void SizeTally::add(const Word &word)
{
    counts_[std::lround(word.size * 10)] += word.text.size();
}

void SizeTally::add(const Line &line)
{
    for (const Word &w : line.words) {
        add(w);
    }
}

double SizeTally::mode() const
{
    long best = 0;
    std::size_t most = 0;
    for (const auto &[size, count] : counts_) {
        if (count > most) {
            best = size;
            most = count;
        }
    }
    return static_cast<double>(best) / 10;
}

// The library's text device, noting which fonts are Type 3 fonts: their
// glyphs are drawn by procedures in a coordinate system of their own, and
// the library can only guess their size.
class PageReader::Device : public TextOutputDev {
public:
    Device() : TextOutputDev(nullptr, /*stream=*/nullptr, /*physLayoutA=*/false, /*fixedPitchA=*/0, /*rawOrderA=*/false)
    {
    }

    void updateFont(GfxState *state) override
    {
        TextOutputDev::updateFont(state);
        const std::shared_ptr<GfxFont> &font = state->getFont();
        if (font && font->getType() == fontType3) {
            const Ref id = *font->getID();
            if (std::find(type3_.begin(), type3_.end(), id) == type3_.end()) {
                type3_.push_back(id);
            }
        }
    }

    // TeX fonts that name their glyphs by number only deliver ligatures as
    // control codes: ff, fi, fl, ffi and ffl sit at 0x0B-0x0F in TeX's old
    // text encoding and at 0x1B-0x1F in the newer one. The layout would
    // take the first three for spaces, so they are mapped before it.
    void drawChar(GfxState *state, double x, double y, double dx, double dy, double originX, double originY,
                  CharCode c, int nBytes, const Unicode *u, int uLen) override
    {
        if (uLen == 1 && u != nullptr && ((u[0] >= 0x0B && u[0] <= 0x0F) || (u[0] >= 0x1B && u[0] <= 0x1F))) {
            const Unicode ligature = 0xFB00 + (u[0] & 0x0F) - 0x0B;  // U+FB00 ff ... U+FB04 ffl
            TextOutputDev::drawChar(state, x, y, dx, dy, originX, originY, c, nBytes, &ligature, 1);
            return;
        }
        TextOutputDev::drawChar(state, x, y, dx, dy, originX, originY, c, nBytes, u, uLen);
    }

    bool isType3(const TextFontInfo *info) const
    {
        return info != nullptr &&
               std::any_of(type3_.begin(), type3_.end(), [info](const Ref &id) { return info->matches(&id); });
    }


private:
    std::vector<Ref> type3_;
};

namespace {

// How wide a font draws its narrow letters and its wide ones, to tell a
// typewriter font (all letters equally wide) from a proportional one.
struct Advances {
    double narrow = 0, wide = 0;
    std::size_t narrowCount = 0, wideCount = 0;

    void add(const TextWord &w)
    {
        for (int i = 0; i < w.getLength(); ++i) {
            const Unicode c = *w.getChar(i);
            const double advance = std::abs(w.getEdge(i + 1) - w.getEdge(i));
            if (c == 'i' || c == 'l' || c == 'j' || c == 't' || c == 'f' || c == 'r' || c == '.') {
                narrow += advance;
                ++narrowCount;
            } else if (c == 'm' || c == 'w' || (c >= 'A' && c <= 'Z' && c != 'I' && c != 'J')) {
                wide += advance;
                ++wideCount;
            }
        }
    }
    bool monospaced() const
    {
        return narrowCount > 0 && wideCount > 0 &&
               narrow / static_cast<double>(narrowCount) >= 0.9 * wide / static_cast<double>(wideCount);
    }
};

// Sizes that a Type 3 font reports are often far off, so the size of each
// such font is worked out again from how wide its characters are drawn: an
// average character is about half as wide as the type is large, and a
// typewriter font's characters are wider, about 0.6 of its size.
void correctType3Sizes(PageLayout &page, const std::vector<const void *> &type3,
                       const std::map<const void *, Advances> &advances)
{
    struct Sum {
        double width = 0, size = 0;
        std::size_t chars = 0;
    };
    std::map<const void *, Sum> sums;
    for (const Line &line : page.lines) {
        for (const Word &w : line.words) {
            if (std::find(type3.begin(), type3.end(), w.font) != type3.end() && !w.text.empty()) {
                Sum &s = sums[w.font];
                s.width += w.rotation % 2 == 0 ? w.xMax - w.xMin : w.yMax - w.yMin;
                s.size += w.size * static_cast<double>(w.text.size());
                s.chars += w.text.size();
            }
        }
    }
    std::map<const void *, double> factor;
    for (const auto &[font, s] : sums) {
        if (s.chars >= 4 && s.size > 0) {
            const auto a = advances.find(font);
            const double em = a != advances.end() && a->second.monospaced() ? 0.6 : 0.5;
            factor[font] = (s.width / em) / s.size;
        }
    }
    for (Line &line : page.lines) {
        for (Word &w : line.words) {
            if (const auto f = factor.find(w.font); f != factor.end()) {
                w.size *= f->second;
            }
        }
    }
}

}  // namespace

PageReader::PageReader(PDFDoc &doc) : doc_(doc), device_(std::make_unique<Device>())
{
}

PageReader::~PageReader() = default;

PageLayout PageReader::read(int number, bool (*abort)(void *data), void *abortData)
{
    PageLayout page;
    page.number = number;
    page.width = doc_.getPageMediaWidth(number);
    page.height = doc_.getPageMediaHeight(number);
    if (doc_.getPageRotate(number) % 180 != 0) {
        std::swap(page.width, page.height);
    }
    doc_.displayPage(device_.get(), number, 72, 72, 0, /*useMediaBox=*/true, /*crop=*/false, /*printing=*/false,
                     abort, abortData);
    std::vector<const void *> type3;
    std::map<const void *, Advances> advances;
    for (const TextFlow *flow = device_->getFlows(); flow; flow = flow->getNext()) {
        for (const TextBlock *block = flow->getBlocks(); block; block = block->getNext()) {
            for (const TextLine *line = block->getLines(); line; line = line->getNext()) {
                Line out;
                out.hyphenated = line->isHyphenated();
                for (const TextWord *w = line->getWords(); w; w = w->getNext()) {
                    out.words.push_back(copyWord(*w));
                    const TextFontInfo *font = w->getLength() > 0 ? w->getFontInfo(0) : nullptr;
                    out.words.back().font = font;
                    if (device_->isType3(font)) {
                        if (std::find(type3.begin(), type3.end(), font) == type3.end()) {
                            type3.push_back(font);
                        }
                        advances[font].add(*w);
                    }
                }
                if (out.words.empty()) {
                    continue;
                }
                out.rotation = out.words.front().rotation;
                out.baseline = out.words.front().baseline;
                out.xMin = out.yMin = 1e300;
                out.xMax = out.yMax = -1e300;
                for (const Word &w : out.words) {
                    out.xMin = std::min(out.xMin, w.xMin);
                    out.yMin = std::min(out.yMin, w.yMin);
                    out.xMax = std::max(out.xMax, w.xMax);
                    out.yMax = std::max(out.yMax, w.yMax);
                }
                page.lines.push_back(std::move(out));
            }
        }
    }
    correctType3Sizes(page, type3, advances);
    return page;
}

}  // namespace tidemark::refined
