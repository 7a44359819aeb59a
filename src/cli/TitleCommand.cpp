#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "title/TitleExtractor.h"

namespace tidemark::cli {

int runTitle(const std::vector<std::string> &args)
{
    std::vector<std::string> files;
    bool endOfOptions = false;
    for (const std::string &arg : args) {
        if (!endOfOptions && arg == "--") {
            endOfOptions = true;
        } else if (!endOfOptions && (arg == "--help" || arg == "-h")) {
            printUsage(true);
            return kOk;
        } else if (!endOfOptions && arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "tidemark title: unknown option '%s'\n", arg.c_str());
            printUsage(false);
            return kUsage;
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        std::fputs("tidemark title: no FILE given\n", stderr);
        printUsage(false);
        return kUsage;
    }

    PdfLibrary library;  // built once for all files
    int status = kOk;
    for (const std::string &file : files) {
        const std::string title = displayText(extractTitle(file));
        if (title.empty()) {
            status = kSomeFailed;
        }
        if (files.size() == 1) {
            std::printf("%s\n", title.c_str());
        } else {
            std::printf("%s\t%s\n", file.c_str(), title.c_str());
        }
        std::fflush(stdout);
    }
    return status;
}

}  // namespace tidemark::cli
