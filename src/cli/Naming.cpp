#include "cli/Naming.h"

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

}  // namespace tidemark::cli
