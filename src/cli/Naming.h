#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/TitleRules.h"
#include "rename/Renamer.h"

namespace tidemark::cli {

// How the commands that rename files name them: the rule the titles are
// read by, and whatever else comes to decide a name. rename and watch parse
// these options and apply them through the functions below, so that an
// option added here reaches both.
struct Naming {
    Rule rule = Rule::kRefined;
};

// True when `arg` is a naming option; sets `naming`, or `bad` after a
// message naming `command` when its value is wrong.
bool parseNamingOption(const std::string &arg, const char *command, Naming &naming, bool &bad);

// Where the titles come from under `naming` (for TitlesAhead).
TitleSource namingTitles(const Naming &naming);

// Sets up `renamer` to name files as `naming` says.
void applyNaming(const Naming &naming, Renamer &renamer);

// The command line of a command that renames files: the naming options,
// -j N, "--" and --help as every such command reads them, and the paths.
struct RenameArguments {
    Naming naming;
    unsigned jobs = 1;
    std::vector<std::string> paths;
};

// Reads `args` for `command`; `own` takes an option of the command's own
// and says whether it was one. Returns -1 when the command should go on,
// or the exit status to end with (after the usage, for an error).
int parseRenameArguments(const std::vector<std::string> &args, const char *command,
                         const std::function<bool(const std::string &)> &own, RenameArguments &out);

}  // namespace tidemark::cli
