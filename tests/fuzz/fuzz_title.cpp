// libFuzzer target: arbitrary bytes as a PDF file through both title rules,
// and the bytes themselves and the titles found through the file-name
// cleaning, as a hostile download would reach them.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "rename/CodePage.h"
#include "rename/FileSystem.h"
#include "rename/TargetName.h"
#include "title/TitleExtractor.h"
#include "title/refined/RefinedTitle.h"

namespace {

std::string scratchPath()
{
    const char *dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/tidemark-fuzz-" + std::to_string(getpid()) + ".pdf";
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    tidemark::setErrorSink([](const std::string &) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const std::string path = scratchPath();
    static tidemark::PdfLibrary library;
    if (std::FILE *f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }
    tidemark::CollectorState state;
    tidemark::ExtractionOptions options;
    options.timeLimit = std::chrono::seconds(2);
    const std::string title = tidemark::extractTitle(path, state, options).title;
    const std::string refined = tidemark::extractRefinedTitle(path, options).title;

    // The title, and the raw bytes as clipboard text would bring them,
    // through the name cleaning under both kinds of code page.
    static const std::unique_ptr<tidemark::FileSystem> fs = tidemark::makeSystemFileSystem();
    static const tidemark::SingleByteCodePage singleByte;
    static const tidemark::CodePage936 doubleByte;
    const std::string folder = "/nonexistent-tidemark-fuzz/";
    // The raw bytes are cut to a clipboard-sized text: the PDF part of the
    // input is what makes them long, and long texts only slow the search.
    const std::string raw(reinterpret_cast<const char *>(data), std::min<size_t>(size, 512));
    for (const std::string &text : {title, raw}) {
        if (text.empty()) {
            continue;
        }
        for (const tidemark::CodePage *cp : {static_cast<const tidemark::CodePage *>(&singleByte),
                                             static_cast<const tidemark::CodePage *>(&doubleByte)}) {
            std::string stem = text;
            tidemark::SanitizeFileName(stem, *cp);
            tidemark::MakeTargetPath(*fs, *cp, folder, text, "paper.PDF");
        }
    }
    // The refined rule's UTF-8 title, and the raw bytes taken for one.
    for (const std::string &text : {refined, raw}) {
        if (!text.empty()) {
            tidemark::MakeTargetPath(*fs, singleByte, folder, text, "paper.PDF", tidemark::TitleEncoding::kUtf8);
        }
    }
    return 0;
}
