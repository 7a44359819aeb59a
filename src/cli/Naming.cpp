#include "cli/Naming.h"

#include <cstdio>

#include "cli/Commands.h"
#include "cli/JobsOption.h"
#include "rename/TemplateName.h"
#include "rename/TitlesAhead.h"

namespace tidemark::cli {

bool parseNamingOption(const std::string &arg, const char *command, Naming &naming, bool &bad)
{
    std::string text;
    if (naming.awaitingName) {
        naming.awaitingName = false;
        text = arg;
    } else if (arg == "--name") {
        naming.awaitingName = true;
        return true;
    } else if (arg.rfind("--name=", 0) == 0) {
        text = arg.substr(7);
    } else {
        return parseRuleOption(arg, command, naming.rule, bad);
    }
    std::string why;
    naming.name = NameTemplate::parse(text, why);
    if (!naming.name) {
        std::fprintf(stderr, "tidemark %s: the name template '%s' will not do: %s\n", command, text.c_str(),
                     why.c_str());
        bad = true;
    }
    return true;
}

bool namingComplete(const Naming &naming, const char *command)
{
    if (naming.awaitingName) {
        std::fprintf(stderr, "tidemark %s: --name needs a TEMPLATE\n", command);
        return false;
    }
    if (naming.name && naming.rule == Rule::kLayout) {
        std::fprintf(stderr,
                     "tidemark %s: --name reads authors and years by the refined rule, not with --rule=layout\n",
                     command);
        return false;
    }
    return true;
}

TitleSource namingTitles(const Naming &naming)
{
    return naming.name ? TemplateNameSource(*naming.name) : titleSource(naming.rule);
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
        if ((!endOfOptions || out.naming.awaitingName) && parseNamingOption(arg, command, out.naming, bad)) {
            if (bad) {
                printUsage(false);
                return kUsage;
            }
        } else if (endOfOptions || arg.size() < 2 || arg[0] != '-') {
            out.paths.push_back(arg);
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
    if (!jobs.complete() || !namingComplete(out.naming, command)) {
        printUsage(false);
        return kUsage;
    }
    out.jobs = jobs.jobs();
    return -1;
}

}  // namespace tidemark::cli
