#pragma once

#include <string>
#include <vector>

namespace tidemark::cli {

// Exit statuses shared by every command.
enum Status { kOk = 0, kSomeFailed = 1, kUsage = 2 };

// Converts a title (Latin-1 bytes) for the terminal: UTF-8 on POSIX, the
// bytes as they are on Windows, where they are already in the ANSI code page.
std::string displayText(const std::string &latin1);

int runTitle(const std::vector<std::string> &args);
int runRename(const std::vector<std::string> &args);

void printUsage(bool toStdout);

}  // namespace tidemark::cli
