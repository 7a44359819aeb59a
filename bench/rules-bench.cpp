// rules-bench: the layout rule and the refined rule on the same files, in
// the same process, one after the other for each file.
//
//   rules-bench [--runs N] [--titles PREFIX] FILE...
//
// For each file: the shortest time of each rule over N runs (the library's
// global parameters built once, as in a folder run; the shortest time is
// the one a busy machine disturbs least), the pages each laid out, and the
// ratio refined / layout. Then the totals, the medians, the
// largest ratio and the files where the refined rule took more than twice
// the layout rule's time. With --titles, writes PREFIX-layout.tsv and
// PREFIX-refined.tsv (file name, tab, title as UTF-8) for a scorer.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "Timing.h"
#include "common/Latin1.h"
#include "title/TitleExtractor.h"
#include "title/refined/RefinedTitle.h"

namespace {

using bench::median;
using bench::timeMs;

std::string baseName(const std::string &path)
{
    return path.substr(path.find_last_of('/') + 1);
}

}  // namespace

int main(int argc, char **argv)
{
    int runs = 5;
    std::string prefix;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--titles" && i + 1 < argc) {
            prefix = argv[++i];
        } else {
            files.push_back(a);
        }
    }
    if (files.empty()) {
        std::fputs("usage: rules-bench [--runs N] [--titles PREFIX] FILE...\n", stderr);
        return 2;
    }
    tidemark::setErrorSink([](const std::string &) {});
    tidemark::PdfLibrary library;
    std::ofstream layoutTitles, refinedTitles;
    if (!prefix.empty()) {
        layoutTitles.open(prefix + "-layout.tsv");
        refinedTitles.open(prefix + "-refined.tsv");
    }

    std::printf("%-44s %6s %9s %6s %9s %6s\n", "file", "pages", "layout ms", "pages", "refined ms", "ratio");
    std::vector<double> layoutMs, refinedMs;
    std::vector<std::string> slow;
    double worst = 0;
    for (const std::string &file : files) {
        std::vector<double> l, r;
        tidemark::Extraction layout;
        tidemark::RefinedExtraction refined;
        for (int k = 0; k < runs; ++k) {
            tidemark::CollectorState state;
            l.push_back(timeMs([&] { layout = tidemark::extractTitle(file, state); }));
            r.push_back(timeMs([&] { refined = tidemark::extractRefinedTitle(file); }));
        }
        const double lm = *std::min_element(l.begin(), l.end());
        const double rm = *std::min_element(r.begin(), r.end());
        layoutMs.push_back(lm);
        refinedMs.push_back(rm);
        const double ratio = lm > 0 ? rm / lm : 0;
        worst = std::max(worst, ratio);
        if (ratio > 2) {
            slow.push_back(baseName(file));
        }
        std::string name = baseName(file);
        if (name.size() > 44) {
            name = name.substr(0, 41) + "...";
        }
        std::printf("%-44s %6d %9.2f %6d %9.2f %6.2f\n", name.c_str(), layout.pagesRendered, lm, refined.pagesRead,
                    rm, ratio);
        if (!prefix.empty()) {
            layoutTitles << baseName(file) << '\t' << tidemark::latin1ToUtf8(layout.title) << '\n';
            refinedTitles << baseName(file) << '\t' << refined.title << '\n';
        }
    }
    double lt = 0, rt = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        lt += layoutMs[i];
        rt += refinedMs[i];
    }
    std::printf("total ms: layout %.1f, refined %.1f (%.2f)\n", lt, rt, lt > 0 ? rt / lt : 0);
    std::printf("median ms per file: layout %.2f, refined %.2f\n", median(layoutMs), median(refinedMs));
    std::printf("largest ratio refined/layout: %.2f; files over 2: %zu\n", worst, slow.size());
    for (const std::string &s : slow) {
        std::printf("  over 2: %s\n", s.c_str());
    }
    return 0;
}
