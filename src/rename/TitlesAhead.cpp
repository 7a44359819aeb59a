#include "rename/TitlesAhead.h"

#include <algorithm>
#include <utility>

namespace tidemark {

TitlesAhead::TitlesAhead(TitleSource read, unsigned jobs) : read_(std::move(read)), window_(kAheadPerJob * jobs)
{
    if (!read_) {
        read_ = [](const std::string &path) { return extractTitle(path); };
    }
    if (jobs > 1) {
        workers_.reserve(jobs);
        for (unsigned i = 0; i < jobs; ++i) {
            workers_.emplace_back([this] { work(); });
        }
    }
}

TitlesAhead::~TitlesAhead()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread &worker : workers_) {
        worker.join();
    }
}

unsigned TitlesAhead::defaultJobs()
{
    return std::max(1u, std::thread::hardware_concurrency());
}

void TitlesAhead::queue(const std::string &path)
{
    if (!readsAhead()) {
        return;  // one job: read when asked for
    }
    {
        const std::lock_guard lock(mutex_);
        if (!waiting_.emplace(path, jobs_.size()).second) {
            return;
        }
        jobs_.emplace_back(path);
    }
    changed_.notify_all();
}

void TitlesAhead::settle()
{
    std::unique_lock lock(mutex_);
    next_ = jobs_.size();  // start nothing more
    changed_.wait(lock, [this] { return running_ == 0; });
    jobs_.clear();
    waiting_.clear();
    next_ = 0;
    asked_ = 0;
}

std::string TitlesAhead::title(const std::string &path)
{
    std::unique_lock lock(mutex_);
    const auto found = waiting_.find(path);
    if (found == waiting_.end()) {
        lock.unlock();
        Job job(path);
        readInto(job);
        return handOver(job);
    }
    const std::size_t index = found->second;
    waiting_.erase(found);
    // Titles queued before this one and not started were not asked for in
    // the queued order (a file gone since the queue was made): leave them
    // unread, to be read when asked for after all.
    for (; next_ < index; ++next_) {
        waiting_.erase(jobs_[next_].path);
    }
    asked_ = std::max(asked_, index + 1);
    changed_.notify_all();
    Job &job = jobs_[index];
    changed_.wait(lock, [&job] { return job.done; });
    Job taken = std::move(job);
    lock.unlock();
    return handOver(taken);
}

void TitlesAhead::work()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || (next_ < jobs_.size() && next_ < asked_ + window_); });
        if (stopping_) {
            return;
        }
        Job &job = jobs_[next_++];
        ++running_;
        lock.unlock();
        readInto(job);  // only this thread touches the job until it is done
        lock.lock();
        job.done = true;
        --running_;
        changed_.notify_all();
    }
}

void TitlesAhead::readInto(Job &job) const
{
    MessageCapture capture;
    try {
        job.title = read_(job.path);
    } catch (...) {
        job.failure = std::current_exception();
    }
    job.messages = std::move(capture.messages);
}

std::string TitlesAhead::handOver(Job &job)
{
    for (const std::string &message : job.messages) {
        reportError(job.path + ": " + message);
    }
    if (job.failure) {
        std::rethrow_exception(job.failure);
    }
    return std::move(job.title);
}

}  // namespace tidemark
