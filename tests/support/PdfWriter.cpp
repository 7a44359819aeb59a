#include "PdfWriter.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>

namespace pdfgen {

namespace {

std::string escape(const std::string &text)
{
    std::string out;
    for (unsigned char c : text) {
        if (c == '(' || c == ')' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7f) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\%03o", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string number(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", v);
    return buf;
}

std::string hex4(unsigned v)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", v);
    return buf;
}

// The code points of a UTF-8 text (the basic plane; others become U+FFFD).
std::vector<unsigned> codePoints(const std::string &utf8)
{
    std::vector<unsigned> out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        const std::size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        unsigned c = n == 1 ? b : b & (0x7F >> n);
        for (std::size_t k = 1; k < n && i + k < utf8.size(); ++k) {
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        out.push_back(c > 0xFFFF ? 0xFFFD : c);
        i += n;
    }
    return out;
}

bool isWide(unsigned c)
{
    return c >= 0x2E80;  // CJK and the scripts after it take a full em
}

// Glyph names of the Type 3 font, by character.
std::string glyphName(unsigned char c)
{
    static const char *const kDigits[] = {"zero", "one", "two",   "three", "four",
                                          "five", "six", "seven", "eight", "nine"};
    if (std::isalpha(c)) {
        return std::string(1, static_cast<char>(c));
    }
    if (std::isdigit(c)) {
        return kDigits[c - '0'];
    }
    return "space";
}

}  // namespace

std::string render(const Document &doc)
{
    // Objects: 1 catalog, 2 page tree, 3 info, then per font one object,
    // then per page a page object and its content stream, then what the
    // special fonts, the metadata and the outline need.
    std::map<std::string, int> fontIds;
    std::map<std::string, std::set<unsigned>> unicodeChars;  // by Unicode font
    for (const Page &p : doc.pages) {
        for (const TextRun &r : p.runs) {
            fontIds.emplace(r.font, 0);
            if (r.font == kUnicodeFont || r.font == kUnicodeBoldFont) {
                for (unsigned c : codePoints(r.text)) {
                    unicodeChars[r.font].insert(c);
                }
            }
        }
    }
    int next = 4;
    for (auto &[name, id] : fontIds) {
        id = next++;
    }
    const int firstPage = next;

    std::vector<std::string> objects(static_cast<size_t>(firstPage + 2 * doc.pages.size()));
    auto add = [&objects](std::string body) {
        objects.push_back(std::move(body));
        return static_cast<int>(objects.size() - 1);
    };
    std::string catalog = "<< /Type /Catalog /Pages 2 0 R";
    std::string kids;
    for (size_t i = 0; i < doc.pages.size(); ++i) {
        kids += std::to_string(firstPage + 2 * i) + " 0 R ";
    }
    objects[2] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(doc.pages.size()) + " >>";
    objects[3] = "<< /Producer (tidemark test writer) /Title (" + escape(doc.infoTitle) + ") >>";
    std::string fontDict;
    for (const auto &[name, id] : fontIds) {
        fontDict += "/F" + std::to_string(id) + " " + std::to_string(id) + " 0 R ";
        if (name == kUnicodeFont || name == kUnicodeBoldFont) {
            const std::set<unsigned> &chars = unicodeChars[name];
            std::string cmap = "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
                               "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                               "/CMapName /Adobe-Identity-UCS def /CMapType 2 def\n"
                               "1 begincodespacerange <0000> <FFFF> endcodespacerange\n";
            std::string widths;
            std::vector<unsigned> list(chars.begin(), chars.end());
            for (size_t i = 0; i < list.size(); i += 100) {
                const size_t n = std::min<size_t>(100, list.size() - i);
                cmap += std::to_string(n) + " beginbfchar\n";
                for (size_t k = i; k < i + n; ++k) {
                    cmap += "<" + hex4(list[k]) + "> <" + hex4(list[k]) + ">\n";
                }
                cmap += "endbfchar\n";
            }
            cmap += "endcmap CMapName currentdict /CMap defineresource pop end end";
            for (unsigned c : list) {
                if (isWide(c)) {
                    widths += std::to_string(c) + " [1000] ";
                }
            }
            const int toUnicode =
                add("<< /Length " + std::to_string(cmap.size()) + " >>\nstream\n" + cmap + "\nendstream");
            const std::string base = name == kUnicodeBoldFont ? "NotoSans-Bold" : "NotoSans-Regular";
            const int cidFont = add("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + base +
                                    " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
                                    " /FontDescriptor << /Type /FontDescriptor /FontName /" + base +
                                    " /Flags 32 /FontBBox [0 -200 1000 900] /ItalicAngle 0 /Ascent 900"
                                    " /Descent -200 /CapHeight 700 /StemV 80 >> /DW 550 /W [" + widths +
                                    "] /CIDToGIDMap /Identity >>");
            objects[id] = "<< /Type /Font /Subtype /Type0 /BaseFont /" + base +
                          " /Encoding /Identity-H /DescendantFonts [" + std::to_string(cidFont) +
                          " 0 R] /ToUnicode " + std::to_string(toUnicode) + " 0 R >>";
        } else if (name == kType3Font || name == kType3MonoFont) {
            // Every glyph is an empty procedure; only the widths matter to
            // the layout. The 'm' is narrow; the typewriter font draws every
            // glyph 0.6 of its size wide.
            const std::string proc = "0 0 d0";
            const int procId =
                add("<< /Length " + std::to_string(proc.size()) + " >>\nstream\n" + proc + "\nendstream");
            std::string differences = "11";
            std::string widthList;
            std::string procs;
            std::set<std::string> named;
            for (int c = 11; c <= 122; ++c) {
                // TeX's bitmap fonts name their glyphs by number: the
                // ligatures at 11-15 and 27-31 have no other name.
                const bool ligature = (c >= 11 && c <= 15) || (c >= 27 && c <= 31);
                const std::string glyph = ligature ? "a" + std::to_string(c) : glyphName(static_cast<unsigned char>(c));
                const bool drawn = ligature || c == 32 || std::isalnum(c);
                differences += " /" + (drawn ? glyph : std::string("space"));
                const bool narrow = std::strchr("ijlrt", c) != nullptr;
                widthList += !drawn                    ? "0 "
                             : name == kType3MonoFont ? "600 "
                             : c == 'm'               ? "120 "
                             : narrow                 ? "280 "
                                                      : "500 ";
                if (drawn && named.insert(glyph).second) {
                    procs += "/" + glyph + " " + std::to_string(procId) + " 0 R ";
                }
            }
            objects[id] = "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000]"
                          " /FontMatrix [0.001 0 0 0.001 0 0] /Resources << >> /CharProcs << " + procs +
                          ">> /Encoding << /Type /Encoding /Differences [" + differences +
                          "] >> /FirstChar 11 /LastChar 122 /Widths [" + widthList + "] >>";
        } else {
            const bool symbolic = name == "Symbol" || name == "ZapfDingbats";
            objects[id] = "<< /Type /Font /Subtype /Type1 /BaseFont /" + name +
                          (symbolic ? std::string() : std::string(" /Encoding /WinAnsiEncoding")) + " >>";
        }
    }
    for (size_t i = 0; i < doc.pages.size(); ++i) {
        const Page &p = doc.pages[i];
        const int pageId = static_cast<int>(firstPage + 2 * i);
        std::string content;
        for (const TextRun &r : p.runs) {
            const bool unicode = r.font == kUnicodeFont || r.font == kUnicodeBoldFont;
            std::string shown;
            if (unicode) {
                shown = "<";
                for (unsigned c : codePoints(r.text)) {
                    shown += hex4(c);
                }
                shown += ">";
            } else {
                shown = "(" + escape(r.text) + ")";
            }
            std::string place = number(r.x) + " " + number(r.y) + " Td";
            if (r.angle == 90) {
                place = "0 1 -1 0 " + number(r.x) + " " + number(r.y) + " Tm";
            } else if (r.angle == 270) {
                place = "0 -1 1 0 " + number(r.x) + " " + number(r.y) + " Tm";
            } else if (r.angle == 180) {
                place = "-1 0 0 -1 " + number(r.x) + " " + number(r.y) + " Tm";
            }
            content += "BT /F" + std::to_string(fontIds[r.font]) + " " + number(r.size) + " Tf " + place + " " +
                       shown + " Tj ET\n";
        }
        objects[pageId] = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + number(p.width) + " " + number(p.height) +
                          "]" + (p.rotate != 0 ? " /Rotate " + std::to_string(p.rotate) : std::string()) +
                          " /Resources << /Font << " + fontDict + ">> >> /Contents " + std::to_string(pageId + 1) +
                          " 0 R >>";
        objects[pageId + 1] =
            "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream";
    }
    if (!doc.xmpTitle.empty()) {
        const std::string xmp =
            "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?>\n"
            "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
            "<rdf:Description rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/'><dc:title><rdf:Alt>"
            "<rdf:li xml:lang='x-default'>" + doc.xmpTitle +
            "</rdf:li></rdf:Alt></dc:title></rdf:Description></rdf:RDF></x:xmpmeta>\n<?xpacket end='w'?>";
        const int id = add("<< /Type /Metadata /Subtype /XML /Length " + std::to_string(xmp.size()) +
                           " >>\nstream\n" + xmp + "\nendstream");
        catalog += " /Metadata " + std::to_string(id) + " 0 R";
    }
    if (!doc.outline.empty() && !doc.pages.empty()) {
        const int root = add("");
        const int first = static_cast<int>(objects.size());
        const int last = first + static_cast<int>(doc.outline.size()) - 1;
        for (size_t i = 0; i < doc.outline.size(); ++i) {
            const int id = first + static_cast<int>(i);
            std::string item = "<< /Title (" + escape(doc.outline[i]) + ") /Parent " + std::to_string(root) +
                               " 0 R /Dest [" + std::to_string(firstPage) + " 0 R /Fit]";
            if (id > first) {
                item += " /Prev " + std::to_string(id - 1) + " 0 R";
            }
            if (id < last) {
                item += " /Next " + std::to_string(id + 1) + " 0 R";
            }
            add(item + " >>");
        }
        objects[root] = "<< /Type /Outlines /First " + std::to_string(first) + " 0 R /Last " + std::to_string(last) +
                        " 0 R /Count " + std::to_string(doc.outline.size()) + " >>";
        catalog += " /Outlines " + std::to_string(root) + " 0 R";
    }
    objects[1] = catalog + " >>";

    std::string out = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";
    std::vector<size_t> offsets(objects.size(), 0);
    for (size_t id = 1; id < objects.size(); ++id) {
        offsets[id] = out.size();
        out += std::to_string(id) + " 0 obj\n" + objects[id] + "\nendobj\n";
    }
    const size_t xref = out.size();
    out += "xref\n0 " + std::to_string(objects.size()) + "\n0000000000 65535 f \n";
    for (size_t id = 1; id < objects.size(); ++id) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%010zu 00000 n \n", offsets[id]);
        out += buf;
    }
    out += "trailer\n<< /Size " + std::to_string(objects.size()) + " /Root 1 0 R /Info 3 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return out;
}

void writeFile(const std::string &path, const Document &doc)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    const std::string bytes = render(doc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f) {
        throw std::runtime_error("cannot write " + path);
    }
}

PageBuilder &PageBuilder::line(const std::string &text, double size, const std::string &font, double lead)
{
    page_.runs.push_back({text, size, left_, y_, font});
    y_ -= size * lead;
    return *this;
}

PageBuilder &PageBuilder::words(const std::vector<TextRun> &runs, double lead)
{
    double x = left_;
    double tallest = 0;
    for (TextRun r : runs) {
        r.x = x;
        r.y = y_;
        // Helvetica's average advance is about half the size; leave a clear
        // word gap after each run.
        x += (static_cast<double>(r.text.size()) * 0.55 + 0.6) * r.size;
        tallest = std::max(tallest, r.size);
        page_.runs.push_back(r);
    }
    y_ -= tallest * lead;
    return *this;
}

PageBuilder &PageBuilder::gap(double points)
{
    y_ -= points;
    return *this;
}

PageBuilder &PageBuilder::body(int lines, double size, const std::string &seed)
{
    static const char *kWords[] = {"we", "study", "the", "method", "and", "show", "that", "results", "hold",
                                   "for", "all", "cases", "of", "interest", "in", "practice", "under", "mild",
                                   "conditions", "on", "data"};
    unsigned h = 2166136261u;
    for (char c : seed) {
        h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    for (int i = 0; i < lines; ++i) {
        std::string text;
        for (int w = 0; w < 11; ++w) {
            h = h * 1103515245u + 12345u;
            text += (w ? " " : "");
            text += kWords[(h >> 16) % (sizeof kWords / sizeof *kWords)];
        }
        // Body lines begin with a lower-case word, as continued prose does.
        line(text, size, "Times-Roman", 1.25);
    }
    return *this;
}

}  // namespace pdfgen
