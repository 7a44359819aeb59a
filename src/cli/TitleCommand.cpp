#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/JobsOption.h"
#include "cli/TitleRules.h"
#include "rename/TitlesAhead.h"
#include "title/TitleExtractor.h"

namespace tidemark::cli {

int runTitle(const std::vector<std::string> &args)
{
    std::vector<std::string> files;
    JobsOption jobs("title", TitlesAhead::defaultJobs());
    bool endOfOptions = false;
    Rule rule = Rule::kRefined;
    bool explain = false;
    bool bad = false;
    for (const std::string &arg : args) {
        if (!endOfOptions || jobs.wantsValue()) {
            const JobsOption::Take took = jobs.take(arg);
            if (took == JobsOption::Take::kBadValue) {
                printUsage(false);
                return kUsage;
            }
            if (took == JobsOption::Take::kTaken) {
                continue;
            }
        }
        if (!endOfOptions && parseRuleOption(arg, "title", rule, bad)) {
            continue;
        }
        if (!endOfOptions && arg == "--explain") {
            explain = true;
        } else if (!endOfOptions && arg == "--") {
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
    if (!jobs.complete()) {
        printUsage(false);
        return kUsage;
    }
    if (files.empty()) {
        std::fputs("tidemark title: no FILE given\n", stderr);
        printUsage(false);
        return kUsage;
    }
    if (explain && (files.size() != 1 || rule != Rule::kRefined)) {
        std::fputs("tidemark title: --explain shows how the refined rule reads one FILE\n", stderr);
        bad = true;
    }
    if (bad) {
        printUsage(false);
        return kUsage;
    }

    if (explain) {
        PdfLibrary library;
        return printExplanation(files.front()) ? kOk : kSomeFailed;
    }
    // Several files are read at once; titles and messages come out in the
    // order of the files.
    TitlesAhead titles(titleSource(rule), jobs.jobs());
    for (const std::string &file : files) {
        titles.queue(file);
    }
    int status = kOk;
    for (const std::string &file : files) {
        const std::string title = displayTitle(rule, titles.title(file));
        std::fflush(stderr);  // the library's messages about this file first
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
