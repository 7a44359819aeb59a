#include "PdfWriter.h"

#include <cstdio>
#include <fstream>
#include <map>
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

}  // namespace

std::string render(const Document &doc)
{
    // Objects: 1 catalog, 2 page tree, 3 info, then per font one object,
    // then per page a page object and its content stream.
    std::map<std::string, int> fontIds;
    for (const Page &p : doc.pages) {
        for (const TextRun &r : p.runs) {
            fontIds.emplace(r.font, 0);
        }
    }
    int next = 4;
    for (auto &[name, id] : fontIds) {
        id = next++;
    }
    const int firstPage = next;

    std::vector<std::string> objects(static_cast<size_t>(firstPage + 2 * doc.pages.size()));
    objects[1] = "<< /Type /Catalog /Pages 2 0 R >>";
    std::string kids;
    for (size_t i = 0; i < doc.pages.size(); ++i) {
        kids += std::to_string(firstPage + 2 * i) + " 0 R ";
    }
    objects[2] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(doc.pages.size()) + " >>";
    objects[3] = "<< /Producer (tidemark test writer) /Title (" + escape(doc.infoTitle) + ") >>";
    std::string fontDict;
    for (const auto &[name, id] : fontIds) {
        const bool symbolic = name == "Symbol" || name == "ZapfDingbats";
        objects[id] = "<< /Type /Font /Subtype /Type1 /BaseFont /" + name +
                      (symbolic ? std::string() : std::string(" /Encoding /WinAnsiEncoding")) + " >>";
        fontDict += "/F" + std::to_string(id) + " " + std::to_string(id) + " 0 R ";
    }
    for (size_t i = 0; i < doc.pages.size(); ++i) {
        const Page &p = doc.pages[i];
        const int pageId = static_cast<int>(firstPage + 2 * i);
        std::string content;
        for (const TextRun &r : p.runs) {
            content += "BT /F" + std::to_string(fontIds[r.font]) + " " + number(r.size) + " Tf " + number(r.x) + " " +
                       number(r.y) + " Td (" + escape(r.text) + ") Tj ET\n";
        }
        objects[pageId] = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + number(p.width) + " " + number(p.height) +
                          "] /Resources << /Font << " + fontDict + ">> >> /Contents " + std::to_string(pageId + 1) +
                          " 0 R >>";
        objects[pageId + 1] =
            "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream";
    }

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
