#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "rename/Renamer.h"
#include "title/TitleExtractor.h"

namespace tidemark {

// Reads titles on worker threads ahead of a caller that asks for them one
// at a time, in the order they were queued, so that a folder run can lay
// out several papers at once while every move is still made by the caller,
// in the order and with the names of a one-job run.
//
// The library's messages about a file are handed to the error sink on the
// caller's thread, together and as "PATH: MESSAGE", when its title is
// asked for; with one job or not, a run reports the same lines.
class TitlesAhead {
public:
    // `read` gives the title of one path and must be safe to call from
    // several threads at once (extractTitle is). With `jobs` above one,
    // that many threads read; with one, each title is read when asked for,
    // on the caller's thread.
    TitlesAhead(TitleSource read, unsigned jobs);
    ~TitlesAhead();
    TitlesAhead(const TitlesAhead &) = delete;
    TitlesAhead &operator=(const TitlesAhead &) = delete;

    // True when titles are read on worker threads; with one job there is
    // nothing to queue, and callers need not list what they will ask for.
    bool readsAhead() const { return !workers_.empty(); }

    // Queues `path` to be read ahead. A path already waiting is not queued
    // twice.
    void queue(const std::string &path);

    // Waits for the reads that have started and forgets every title not
    // asked for, so that no file of this batch is open afterwards.
    void settle();

    // The title of `path`, read ahead when it was queued, else read now.
    std::string title(const std::string &path);

    // A title source for the Renamer that asks this object.
    TitleSource source()
    {
        return [this](const std::string &path) { return title(path); };
    }

    // How many titles are read at once by default: one per processor.
    static unsigned defaultJobs();

    // How many titles each job may read past the last one asked for:
    // enough that a slow paper does not leave the other jobs idle. A manual
    // of a thousand pages can take the layout rule three seconds, while the
    // papers around it take 50 ms each: with 8 a job, the other job stood
    // idle for two of those seconds. Only the titles are kept, so a longer
    // window costs a few strings.
    static constexpr std::size_t kAheadPerJob = 32;

private:
    struct Job {
        explicit Job(std::string p) : path(std::move(p)) {}
        std::string path;
        bool done = false;
        std::string title;
        std::vector<std::string> messages;
        std::exception_ptr failure;
    };

    void work();
    void readInto(Job &job) const;
    static std::string handOver(Job &job);

    PdfLibrary library_;  // built before the workers start, dropped after they end
    TitleSource read_;
    std::size_t window_;  // how far past the last title asked for reads may start

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> jobs_;
    std::unordered_map<std::string, std::size_t> waiting_;  // path -> index in jobs_, not yet asked for
    std::size_t next_ = 0;     // the next job to start
    std::size_t asked_ = 0;    // one past the furthest job asked for
    std::size_t running_ = 0;  // jobs started and not done
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace tidemark
