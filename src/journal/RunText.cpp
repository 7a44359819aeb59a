#include "journal/RunText.h"

#include <ctime>

namespace tidemark {

std::string runTimeText(std::int64_t started)
{
    const std::time_t t = static_cast<std::time_t>(started);
    const std::tm *local = std::localtime(&t);
    char text[32] = "?";
    if (local != nullptr) {
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", local);
    }
    return text;
}

namespace {

std::string countsText(const RunRecord &run)
{
    if (run.goesOn) {
        return "still going, " + std::to_string(run.tally.made) + " moved so far";
    }
    if (!run.ended) {
        std::string text = "stopped before its end, " + std::to_string(run.tally.made) + " moved";
        if (run.tally.unconfirmed != 0) {
            text += ", " + std::to_string(run.tally.unconfirmed) + " unconfirmed";
        }
        return text;
    }
    std::string text;
    for (const auto &[outcome, count] : run.counts) {
        text += (text.empty() ? "" : ", ") + std::to_string(count) + " " + outcome;
    }
    return text;
}

}  // namespace

std::string runResultText(const RunRecord &run)
{
    std::string text = countsText(run);
    if (run.undoneBy != 0) {
        text += "  (taken back by run " + std::to_string(run.undoneBy) + ")";
    } else if (run.partlyUndoneBy != 0) {
        text += "  (partly taken back by run " + std::to_string(run.partlyUndoneBy) + ")";
    }
    return text;
}

std::string leftAloneText(const UndoReport &report)
{
    switch (report.outcome) {
    case UndoOutcome::kRestored:
    case UndoOutcome::kUnderOldName:
        return {};
    case UndoOutcome::kGone:
        return "moved or deleted since the run";
    case UndoOutcome::kChanged:
        return "changed since the run";
    case UndoOutcome::kOldNameTaken:
        return "its old name " + report.oldPath + " is taken";
    case UndoOutcome::kNotInOneFolder:
        return "its record is not of a move within one folder";
    case UndoOutcome::kFailed:
        return report.error.message();
    }
    return {};
}

}  // namespace tidemark
