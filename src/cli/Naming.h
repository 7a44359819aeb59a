#pragma once

#include <string>

#include "cli/TitleRules.h"
#include "rename/Renamer.h"

namespace tidemark::cli {

// How the commands that rename files name them: the rule the titles are
// read by, and whatever else comes to decide a name. rename and watch parse
// these options and apply them through the functions below, so that an
// option added here reaches both.
struct Naming {
    Rule rule = Rule::kLayout;
};

// True when `arg` is a naming option; sets `naming`, or `bad` after a
// message naming `command` when its value is wrong.
bool parseNamingOption(const std::string &arg, const char *command, Naming &naming, bool &bad);

// Where the titles come from under `naming` (for TitlesAhead).
TitleSource namingTitles(const Naming &naming);

// Sets up `renamer` to name files as `naming` says.
void applyNaming(const Naming &naming, Renamer &renamer);

}  // namespace tidemark::cli
