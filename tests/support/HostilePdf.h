#pragma once

// PDF files that attack the reader, for the tests of both title rules.
#include <cstdio>
#include <string>
#include <vector>

// A tiny file that keeps the library busy for hours: nine levels of form
// objects, each drawing the next ten times.
inline std::string endlessPdf()
{
    const int levels = 9;
    std::vector<std::string> objects{"", "<< /Type /Catalog /Pages 2 0 R >>",
                                     "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"};
    objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /XObject << /X0 5 0 R >> "
                      ">> /Contents 4 0 R >>");
    auto stream = [](const std::string &dict, const std::string &data) {
        return "<< " + dict + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream";
    };
    objects.push_back(stream("", "/X0 Do"));
    for (int i = 0; i < levels; ++i) {
        std::string body;
        for (int k = 0; k < 10; ++k) {
            body += i + 1 < levels ? "/X Do " : "q 1 0 0 1 1 1 cm Q ";
        }
        const std::string resources =
            i + 1 < levels ? " /Resources << /XObject << /X " + std::to_string(6 + i) + " 0 R >> >>" : "";
        objects.push_back(stream("/Type /XObject /Subtype /Form /BBox [0 0 612 792]" + resources, body));
    }
    std::string out = "%PDF-1.4\n";
    std::string xref = "xref\n0 " + std::to_string(objects.size()) + "\n0000000000 65535 f \n";
    for (size_t i = 1; i < objects.size(); ++i) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", out.size());
        xref += entry;
        out += std::to_string(i) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t start = out.size();
    return out + xref + "trailer\n<< /Size " + std::to_string(objects.size()) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(start) + "\n%%EOF\n";
}
