#pragma once

#include <cstddef>
#include <string>
#include <system_error>

#include "cli/TitleRules.h"
#include "journal/RecordingFileSystem.h"
#include "rename/Renamer.h"

namespace tidemark::cli {

// "12 of 40 PDFs" on one line of standard error, rewritten in place. Only
// on a terminal: piped or redirected output gets no progress noise.
class Progress {
public:
    void start(std::size_t total);
    void step();
    void finish();
    // Takes the line away before something else is written to the terminal.
    void hide();
    void show();
    bool active() const { return active_; }

private:
    std::size_t total_ = 0;
    std::size_t done_ = 0;
    int width_ = 0;
    bool active_ = false;
};

// Prints one line per PDF on standard output and counts the outcomes. The
// lines are the same for a dry run and a real run, and for the files that
// rename and watch rename.
class Report final : public RenameObserver {
public:
    explicit Report(Progress &progress) : progress_(progress) {}

    void fileDone(const FileReport &r) override;
    void folderSkipped(const std::string &folder, const std::error_code &error) override;
    void entrySkipped(const std::string &path, const std::error_code &error) override;
    void pathFailed(const std::string &path, const std::string &why);
    // The last line: "2 renamed, 0 unchanged, 0 no title, 0 failed".
    void printSummary(const char *note = "") const;

    Rule rule = Rule::kRefined;  // the rule that read the titles
    OutcomeCounter counts;

private:
    Progress &progress_;
};

// While the progress line is up, the PDF library's messages first take it
// away so that they stay readable.
class MessagesAroundProgress {
public:
    explicit MessagesAroundProgress(Progress &progress);
    ~MessagesAroundProgress();
    MessagesAroundProgress(const MessagesAroundProgress &) = delete;
    MessagesAroundProgress &operator=(const MessagesAroundProgress &) = delete;
};

}  // namespace tidemark::cli
