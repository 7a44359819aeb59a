// Draws Tidemark's icons and writes them as .ico files (32-bit colour with
// alpha; the 256-pixel image as PNG, the others as bitmaps):
//
//   make-icons OUTDIR            tidemark.ico disabled.ico about.ico hotkeys.ico
//   make-icons --png SIZE FILE NAME   one image of icon NAME as a PNG
//
// The mark is a paper page with a title line and a tide: water whose crest
// leaves a white line on the page. A saturated blue page reads on light and
// on dark taskbars alike; the disabled icon is the same page in grey with a
// red "no entry" badge cut free of the page by a transparent ring. Shapes are
// drawn on a 16-unit grid, so that at 16 pixels their edges fall on pixels,
// and every pixel is the average of 8 x 8 samples.
//
// Built and run on the build machine; needs zlib.
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace {

struct Color {
    double r, g, b, a;  // 0..1, straight alpha
};

Color rgb(std::uint32_t hex, double alpha = 1.0)
{
    return {((hex >> 16) & 0xFF) / 255.0, ((hex >> 8) & 0xFF) / 255.0, (hex & 0xFF) / 255.0, alpha};
}

Color mix(Color a, Color b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

// A point of the 16-unit design grid, y downwards.
struct Point {
    double x, y;
};

using Shape = std::function<bool(Point)>;
using Paint = std::function<Color(Point)>;

double distanceToSegment(Point p, Point a, Point b)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

Shape roundedRect(double x0, double y0, double x1, double y1, double radius)
{
    return [=](Point p) {
        const double qx = std::max({x0 + radius - p.x, p.x - (x1 - radius), 0.0});
        const double qy = std::max({y0 + radius - p.y, p.y - (y1 - radius), 0.0});
        return p.x >= x0 && p.x <= x1 && p.y >= y0 && p.y <= y1 && qx * qx + qy * qy <= radius * radius;
    };
}

Shape circle(Point c, double radius)
{
    return [=](Point p) { return std::hypot(p.x - c.x, p.y - c.y) <= radius; };
}

Shape capsule(Point a, Point b, double width)
{
    return [=](Point p) { return distanceToSegment(p, a, b) <= width / 2; };
}

Shape intersect(Shape a, Shape b)
{
    return [=](Point p) { return a(p) && b(p); };
}

// The tide's crest: a gentle wave across the page.
double crest(double x, double level)
{
    return level + 0.75 * std::sin((x - 3.0) * 1.35);
}

Shape below(double level)
{
    return [=](Point p) { return p.y >= crest(p.x, level); };
}

Shape crestLine(double x0, double x1, double level, double width)
{
    return [=](Point p) {
        double best = 1e9;
        constexpr int kSteps = 32;
        Point prev{x0, crest(x0, level)};
        for (int i = 1; i <= kSteps; ++i) {
            const double x = x0 + (x1 - x0) * i / kSteps;
            const Point next{x, crest(x, level)};
            best = std::min(best, distanceToSegment(p, prev, next));
            prev = next;
        }
        return best <= width / 2;
    };
}

Paint solid(Color c)
{
    return [=](Point) { return c; };
}

Paint vertical(Color top, Color bottom, double y0, double y1)
{
    return [=](Point p) { return mix(top, bottom, std::clamp((p.y - y0) / (y1 - y0), 0.0, 1.0)); };
}

struct Layer {
    Shape shape;
    Paint paint;
    bool erase = false;  // clears what is below instead of painting
};

class Image {
public:
    explicit Image(int size) : size_(size), pixels_(static_cast<std::size_t>(size) * size * 4, 0.0) {}

    // Draws the layers, each averaged over 8 x 8 samples per pixel, in order.
    void draw(const std::vector<Layer> &layers)
    {
        // Small images need the finest edges; large ones have pixels to spare.
        const int kSamples = size_ >= 64 ? 4 : 8;
        const double scale = 16.0 / size_;
        for (int y = 0; y < size_; ++y) {
            for (int x = 0; x < size_; ++x) {
                double *px = &pixels_[(static_cast<std::size_t>(y) * size_ + x) * 4];
                for (const Layer &layer : layers) {
                    double r = 0, g = 0, b = 0, a = 0;
                    int covered = 0;
                    for (int sy = 0; sy < kSamples; ++sy) {
                        for (int sx = 0; sx < kSamples; ++sx) {
                            const Point p{(x + (sx + 0.5) / kSamples) * scale, (y + (sy + 0.5) / kSamples) * scale};
                            if (!layer.shape(p)) {
                                continue;
                            }
                            ++covered;
                            const Color c = layer.paint(p);
                            r += c.r * c.a;
                            g += c.g * c.a;
                            b += c.b * c.a;
                            a += c.a;
                        }
                    }
                    if (covered == 0) {
                        continue;
                    }
                    const double n = static_cast<double>(kSamples) * kSamples;
                    if (layer.erase) {
                        const double keep = 1.0 - covered / n;
                        for (int i = 0; i < 4; ++i) {
                            px[i] *= keep;
                        }
                        continue;
                    }
                    // Premultiplied "over".
                    const double sa = a / n;
                    px[0] = r / n + px[0] * (1 - sa);
                    px[1] = g / n + px[1] * (1 - sa);
                    px[2] = b / n + px[2] * (1 - sa);
                    px[3] = sa + px[3] * (1 - sa);
                }
            }
        }
    }

    int size() const { return size_; }

    // Straight-alpha RGBA bytes, top row first.
    std::vector<std::uint8_t> rgba() const
    {
        std::vector<std::uint8_t> out(pixels_.size());
        for (std::size_t i = 0; i < pixels_.size(); i += 4) {
            const double a = pixels_[i + 3];
            for (int c = 0; c < 3; ++c) {
                const double v = a > 0 ? pixels_[i + c] / a : 0.0;
                out[i + c] = static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
            }
            out[i + 3] = static_cast<std::uint8_t>(std::lround(std::clamp(a, 0.0, 1.0) * 255));
        }
        return out;
    }

private:
    int size_;
    std::vector<double> pixels_;  // premultiplied RGBA
};

// ---- the designs ----------------------------------------------------------

struct Palette {
    Color pageTop, pageBottom, fold, water, ink;
};

const Palette kBlue{rgb(0x2BA6D9), rgb(0x0B5F8F), rgb(0xA9E1F5), rgb(0x63C7EC), rgb(0xFFFFFF)};
const Palette kGrey{rgb(0xA3A9B0), rgb(0x5F656C), rgb(0xD9DCDF), rgb(0xBFC4C9), rgb(0xFFFFFF, 0.9)};

// The page: 12 x 14 units with its top right corner folded over.
std::vector<Layer> page(const Palette &pal, int pixels)
{
    const double left = 2.0, top = 1.0, right = 14.0, bottom = 15.0, fold = 4.0;
    const Shape body = roundedRect(left, top, right, bottom, 1.5);
    // Right of the fold's diagonal is the corner that was folded over.
    const auto pastFold = [=](Point p) { return p.x - (right - fold) > p.y - top; };
    const Shape sheet = [=](Point p) { return body(p) && !pastFold(p); };
    const Shape flap = [=](Point p) { return p.x >= right - fold && p.y <= top + fold && !pastFold(p); };
    const double tide = 10.5;
    std::vector<Layer> layers{
        {sheet, vertical(pal.pageTop, pal.pageBottom, top, bottom)},
        {intersect(sheet, below(tide)), solid(mix(pal.water, pal.pageBottom, 0.35))},
        {flap, solid(pal.fold)},
        // The tide mark itself.
        {intersect(sheet, crestLine(left, right, tide, pixels <= 16 ? 1.25 : 1.0)), solid(pal.ink)},
        // The title.
        {capsule({5.0, 5.0}, {8.0, 5.0}, 2.0), solid(pal.ink)},
    };
    if (pixels >= 32) {
        layers.push_back({capsule({4.5, 7.5}, {11.5, 7.5}, 1.0), solid(Color{pal.ink.r, pal.ink.g, pal.ink.b, 0.75})});
    }
    return layers;
}

std::vector<Layer> enabledMark(int pixels)
{
    return page(kBlue, pixels);
}

std::vector<Layer> disabledMark(int pixels)
{
    std::vector<Layer> layers = page(kGrey, pixels);
    const Point centre{11.5, 11.5};
    layers.push_back({circle(centre, 4.5), solid(rgb(0)), true});
    layers.push_back({circle(centre, 3.6), solid(rgb(0xD93025))});
    layers.push_back({capsule({centre.x - 2.0, centre.y}, {centre.x + 2.0, centre.y}, 1.4), solid(rgb(0xFFFFFF))});
    return layers;
}

// A key of a keyboard with the tide on its face: the hotkey page.
std::vector<Layer> hotkeyMark(int)
{
    const Shape key = roundedRect(1.0, 1.5, 15.0, 14.5, 2.5);
    const Shape face = roundedRect(2.3, 2.4, 13.7, 12.2, 1.8);
    return {
        {key, vertical(rgb(0x9AA0A6), rgb(0x5F6368), 1.5, 14.5)},
        {face, vertical(rgb(0xFFFFFF), rgb(0xE3E7EA), 2.4, 12.2)},
        {intersect(face, below(8.6)), solid(rgb(0x63C7EC))},
        {intersect(face, crestLine(2.0, 14.0, 8.6, 1.0)), solid(rgb(0x0B5F8F))},
        {capsule({4.3, 5.0}, {9.0, 5.0}, 1.3), solid(rgb(0x0B5F8F))},
    };
}

// ---- files ---------------------------------------------------------------

void put16(std::vector<std::uint8_t> &out, std::uint32_t v)
{
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}

void put32(std::vector<std::uint8_t> &out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void putBig32(std::vector<std::uint8_t> &out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back((v >> shift) & 0xFF);
    }
}

void pngChunk(std::vector<std::uint8_t> &out, const char *type, const std::vector<std::uint8_t> &data)
{
    putBig32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0, out.data() + start, static_cast<uInt>(out.size() - start));
    putBig32(out, static_cast<std::uint32_t>(crc));
}

std::vector<std::uint8_t> png(const Image &image)
{
    const int n = image.size();
    const std::vector<std::uint8_t> rgba = image.rgba();
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < n; ++y) {
        raw.push_back(0);  // filter: none
        const auto row = rgba.begin() + static_cast<std::ptrdiff_t>(y) * n * 4;
        raw.insert(raw.end(), row, row + n * 4);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK) {
        throw std::runtime_error("zlib failed");
    }
    packed.resize(packedSize);

    std::vector<std::uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    putBig32(header, static_cast<std::uint32_t>(n));
    putBig32(header, static_cast<std::uint32_t>(n));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA
    pngChunk(out, "IHDR", header);
    pngChunk(out, "IDAT", packed);
    pngChunk(out, "IEND", {});
    return out;
}

// A BITMAPINFOHEADER image of an icon: BGRA rows bottom-up, then the
// 1-bit mask (set where the image is fully transparent).
std::vector<std::uint8_t> iconBitmap(const Image &image)
{
    const int n = image.size();
    const std::vector<std::uint8_t> rgba = image.rgba();
    const int maskStride = ((n + 31) / 32) * 4;
    std::vector<std::uint8_t> out;
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(n));
    put32(out, static_cast<std::uint32_t>(2 * n));
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);  // BI_RGB
    put32(out, static_cast<std::uint32_t>(n * n * 4 + maskStride * n));
    for (int i = 0; i < 4; ++i) {
        put32(out, 0);
    }
    for (int y = n - 1; y >= 0; --y) {
        for (int x = 0; x < n; ++x) {
            const std::uint8_t *p = &rgba[(static_cast<std::size_t>(y) * n + x) * 4];
            out.insert(out.end(), {p[2], p[1], p[0], p[3]});
        }
    }
    for (int y = n - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(maskStride, 0);
        for (int x = 0; x < n; ++x) {
            if (rgba[(static_cast<std::size_t>(y) * n + x) * 4 + 3] == 0) {
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

using Design = std::vector<Layer> (*)(int);

Image render(Design design, int size)
{
    Image image(size);
    image.draw(design(size));
    return image;
}

std::vector<std::uint8_t> ico(Design design, const std::vector<int> &sizes)
{
    std::vector<std::vector<std::uint8_t>> images;
    for (int size : sizes) {
        const Image image = render(design, size);
        // Large images as PNG, which Windows reads since Vista and which is a
        // fraction of a bitmap's size; the sizes that menus, dialogs and the
        // notification area use as bitmaps, which every reader knows.
        images.push_back(size >= 64 ? png(image) : iconBitmap(image));
    }
    std::vector<std::uint8_t> out;
    put16(out, 0);
    put16(out, 1);  // icon
    put16(out, static_cast<std::uint32_t>(sizes.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const int size = sizes[i];
        out.push_back(size >= 256 ? 0 : static_cast<std::uint8_t>(size));
        out.push_back(size >= 256 ? 0 : static_cast<std::uint8_t>(size));
        out.push_back(0);  // no palette
        out.push_back(0);
        put16(out, 1);   // planes
        put16(out, 32);  // bits per pixel
        put32(out, static_cast<std::uint32_t>(images[i].size()));
        put32(out, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const auto &image : images) {
        out.insert(out.end(), image.begin(), image.end());
    }
    return out;
}

void writeFile(const std::string &path, const std::vector<std::uint8_t> &bytes)
{
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        throw std::runtime_error("cannot write " + path);
    }
}

struct IconFile {
    const char *name;
    Design design;
    std::vector<int> sizes;
};

const IconFile kIcons[] = {
    {"tidemark", enabledMark, {256, 128, 96, 72, 64, 48, 32, 24, 20, 16}},
    {"disabled", disabledMark, {256, 128, 96, 72, 64, 48, 32, 24, 20, 16}},
    {"about", enabledMark, {48}},
    {"hotkeys", hotkeyMark, {48}},
};

}  // namespace

int main(int argc, char **argv)
{
    try {
        if (argc == 5 && std::strcmp(argv[1], "--png") == 0) {
            const int size = std::atoi(argv[2]);
            for (const IconFile &icon : kIcons) {
                if (icon.name == std::string(argv[4]) && size > 0 && size <= 1024) {
                    writeFile(argv[3], png(render(icon.design, size)));
                    return 0;
                }
            }
            std::cerr << "make-icons: unknown icon or size\n";
            return 2;
        }
        if (argc != 2) {
            std::cerr << "usage: make-icons OUTDIR | make-icons --png SIZE FILE NAME\n";
            return 2;
        }
        for (const IconFile &icon : kIcons) {
            writeFile(std::string(argv[1]) + "/" + icon.name + ".ico", ico(icon.design, icon.sizes));
        }
        return 0;
    } catch (const std::exception &e) {
        std::cerr << "make-icons: " << e.what() << '\n';
        return 1;
    }
}
