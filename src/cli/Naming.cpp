#include "cli/Naming.h"

#include <cstdio>

#include "cli/Commands.h"
#include "cli/JobsOption.h"
#include "rename/TitlesAhead.h"

namespace tidemark::cli {

bool parseNamingOption(const std::string &arg, const char *command, Naming &naming, bool &bad)
{
    return parseRuleOption(arg, command, naming.rule, bad);
}

TitleSource namingTitles(const Naming &naming)
{
    return titleSource(naming.rule);
}

void applyNaming(const Naming &naming, Renamer &renamer)
{
    renamer.setTitleEncoding(titleEncoding(naming.rule));
}

int parseRenameArguments(const std::vector<std::string> &args, const char *command,
                         const std::function<bool(const std::string &)> &own, RenameArguments &out)
{
    bool endOfOptions = false;
    bool bad = false;
    JobsOption jobs(command, TitlesAhead::defaultJobs());
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
        if (endOfOptions || arg.size() < 2 || arg[0] != '-') {
            out.paths.push_back(arg);
        } else if (parseNamingOption(arg, command, out.naming, bad)) {
            if (bad) {
                printUsage(false);
                return kUsage;
            }
        } else if (arg == "--") {
            endOfOptions = true;
        } else if (arg == "--help" || arg == "-h") {
            printUsage(true);
            return kOk;
        } else if (!own(arg)) {
            std::fprintf(stderr, "tidemark %s: unknown option '%s'\n", command, arg.c_str());
            printUsage(false);
            return kUsage;
        }
    }
    if (!jobs.complete()) {
        printUsage(false);
        return kUsage;
    }
    out.jobs = jobs.jobs();
    return -1;
}

}  // namespace tidemark::cli
