// libFuzzer target: arbitrary bytes as a PDF file through the title search,
// and the bytes themselves and the title found through the file-name
// cleaning, as a hostile download would reach them.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "title/TitleExtractor.h"

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
    (void)title;
    return 0;
}
