#pragma once

#include <memory>
#include <string>
#include <vector>

#include "journal/JournalStore.h"

namespace tidemark {
class Journal;
}

namespace tidemark::cli {

// Exit statuses shared by every command.
enum Status { kOk = 0, kSomeFailed = 1, kUsage = 2 };

// Converts a title (Latin-1 bytes) for the terminal: UTF-8 on POSIX, the
// bytes as they are on Windows, where they are already in the ANSI code page.
std::string displayText(const std::string &latin1);

int runTitle(const std::vector<std::string> &args);
int runRename(const std::vector<std::string> &args);
int runUndo(const std::vector<std::string> &args);
int runHistory(const std::vector<std::string> &args);
int runWatch(const std::vector<std::string> &args);

// Opens the user's journal for `command`, to record runs or only to read;
// returns -1 when it is open, or the exit status to end with after saying
// why it cannot be.
int openJournal(const char *command, std::unique_ptr<Journal> &journal, JournalAccess access = JournalAccess::kRecord);
std::vector<std::string> absolutePaths(const std::vector<std::string> &paths);

void printUsage(bool toStdout);

}  // namespace tidemark::cli
