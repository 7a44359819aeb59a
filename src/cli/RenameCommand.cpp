#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"

namespace tidemark::cli {

int runRename(const std::vector<std::string> &)
{
    std::fputs("tidemark rename: not available yet\n", stderr);
    return kUsage;
}

}  // namespace tidemark::cli
