#pragma once

#include <chrono>

namespace tidemark {

// A time limit for laying out the pages of one document. The library polls
// abortCheck while it draws a page, so a page that would take hours ends
// early; the extraction looks at `passed` after each page.
struct Deadline {
    std::chrono::steady_clock::time_point at;
    bool active = false;
    bool passed = false;

    // A limit of zero means none.
    explicit Deadline(std::chrono::milliseconds limit)
        : at(std::chrono::steady_clock::now() + limit), active(limit.count() > 0)
    {
    }

    bool check()
    {
        if (active && !passed && std::chrono::steady_clock::now() >= at) {
            passed = true;
        }
        return passed;
    }

    // The library's abort callback, with the deadline as its data.
    static bool abortCheck(void *data) { return static_cast<Deadline *>(data)->check(); }
};

}  // namespace tidemark
