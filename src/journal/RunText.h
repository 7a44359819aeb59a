#pragma once

#include <cstdint>
#include <string>

#include "journal/Journal.h"
#include "journal/Undo.h"

namespace tidemark {

// The words that every front end uses for the journal's runs, so that the
// command line's history and the tray program's log page say the same.

// When a run began, in local time: "2026-12-09 13:05".
std::string runTimeText(std::int64_t started);

// What came of a run: "5 renamed, 1 no title", "still going, 3 moved so
// far", "stopped before its end, 2 moved", followed by the undo that took
// it back ("  (taken back by run 9)"), if any.
std::string runResultText(const RunRecord &run);

// Why an undo left a file alone: "changed since the run"; empty for the
// outcomes that are no reason (restored, already under its old name).
std::string leftAloneText(const UndoReport &report);

}  // namespace tidemark
