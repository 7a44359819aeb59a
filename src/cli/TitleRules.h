#pragma once

#include <string>

#include "rename/Renamer.h"
#include "rename/TargetName.h"

namespace tidemark::cli {

// The two title rules: the layout rule (the default, and the tray
// program's), and the refined rule, which reads UTF-8 titles in any script.
enum class Rule { kLayout, kRefined };

// True when `arg` is a "--rule=NAME" option; sets `rule`, or `bad` (after a
// message naming `command`) when NAME is not a rule.
bool parseRuleOption(const std::string &arg, const char *command, Rule &rule, bool &bad);

// What the renamer reads titles with under `rule`, and how they are written.
TitleSource titleSource(Rule rule);
TitleEncoding titleEncoding(Rule rule);

// A title read by `rule`, as the terminal shows it.
std::string displayTitle(Rule rule, const std::string &title);

// Prints how the refined rule reads `file`: the pages it read, what the
// file's metadata says, each block of type it weighed with its size,
// position and score, and why it was taken or not. False when no title
// came out.
bool printExplanation(const std::string &file);

}  // namespace tidemark::cli
