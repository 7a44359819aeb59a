#include "cli/RenameReport.h"

#include <cstdio>

#include "title/TitleExtractor.h"

namespace tidemark::cli {

void Progress::start(std::size_t total)
{
    total_ = total;
    done_ = 0;
    active_ = true;
    show();
}

void Progress::step()
{
    ++done_;
    show();
}

void Progress::finish()
{
    hide();
    active_ = false;
}

void Progress::hide()
{
    if (width_ > 0) {
        std::fprintf(stderr, "\r%*s\r", width_, "");
        std::fflush(stderr);
        width_ = 0;
    }
}

void Progress::show()
{
    if (active_) {
        width_ = std::fprintf(stderr, "\r%zu of %zu PDFs", done_, total_) - 1;
        std::fflush(stderr);
    }
}

void Report::fileDone(const FileReport &r)
{
    std::fflush(stderr);  // the library's messages about this file first
    progress_.hide();
    counts.fileDone(r);
    switch (r.outcome) {
    case Outcome::kRenamed:
        std::printf("renamed: %s -> %s\n", r.oldPath.c_str(), r.newPath.c_str());
        break;
    case Outcome::kUnchanged:
        std::printf("unchanged: %s (already named so)\n", r.oldPath.c_str());
        break;
    case Outcome::kNoTitle:
        std::printf("no title: %s\n", r.oldPath.c_str());
        break;
    case Outcome::kNoName:
        std::printf("no title: %s (the title \"%s\" leaves no file name)\n", r.oldPath.c_str(),
                    displayTitle(rule, r.title).c_str());
        break;
    case Outcome::kFailed:
        std::printf("failed: %s -> %s: %s\n", r.oldPath.c_str(), r.newPath.c_str(), r.error.message().c_str());
        break;
    }
    std::fflush(stdout);
    if (progress_.active()) {
        progress_.step();
    }
}

void Report::folderSkipped(const std::string &folder, const std::error_code &error)
{
    pathFailed(folder, "cannot list the folder: " + error.message());
}

void Report::entrySkipped(const std::string &path, const std::error_code &error)
{
    pathFailed(path, "cannot read: " + error.message());
}

void Report::pathFailed(const std::string &path, const std::string &why)
{
    progress_.hide();
    counts.addFailedPath();
    std::printf("failed: %s: %s\n", path.c_str(), why.c_str());
    std::fflush(stdout);
    progress_.show();
}

void Report::printSummary(const char *note) const
{
    std::printf("%zu renamed, %zu unchanged, %zu no title, %zu failed%s\n", counts.renamed(), counts.unchanged(),
                counts.noTitle(), counts.failed(), note);
    std::fflush(stdout);
}

MessagesAroundProgress::MessagesAroundProgress(Progress &progress)
{
    setErrorSink([&progress](const std::string &message) {
        progress.hide();
        std::fputs(("Error: " + message + "\n").c_str(), stderr);
        progress.show();
    });
}

MessagesAroundProgress::~MessagesAroundProgress()
{
    setErrorSink(nullptr);
}

}  // namespace tidemark::cli
