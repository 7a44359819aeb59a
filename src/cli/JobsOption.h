#pragma once

#include <cstdio>
#include <string>

namespace tidemark::cli {

// "-j N", "--jobs N", "-jN" and "--jobs=N": how many titles are read at
// once. By default one per processor.
class JobsOption {
public:
    static constexpr unsigned kMax = 64;

    // `command` names the command in the usage errors printed.
    JobsOption(const char *command, unsigned defaultJobs)
        : command_(command), jobs_(defaultJobs < 1 ? 1 : defaultJobs > kMax ? kMax : defaultJobs)
    {
    }

    enum class Take { kNotMine, kTaken, kBadValue };

    // Takes `arg` when it is the option, the option with its number, or the
    // number after the option. A bad number is reported on stderr.
    Take take(const std::string &arg)
    {
        const Take took = read(arg);
        if (took == Take::kBadValue) {
            reportProblem();
        }
        return took;
    }

    // After the last argument: false, and the problem reported, when the
    // option came without its number.
    bool complete() const
    {
        if (wantsValue_) {
            reportProblem();
        }
        return !wantsValue_;
    }

    // True when the last argument taken was the option without its number.
    bool wantsValue() const { return wantsValue_; }
    unsigned jobs() const { return jobs_; }

private:
    Take read(const std::string &arg)
    {
        if (wantsValue_) {
            wantsValue_ = false;
            return setValue(arg);
        }
        if (arg == "-j" || arg == "--jobs") {
            wantsValue_ = true;
            return Take::kTaken;
        }
        if (arg.rfind("--jobs=", 0) == 0) {
            return setValue(arg.substr(7));
        }
        if (arg.size() > 2 && arg.rfind("-j", 0) == 0) {
            return setValue(arg.substr(2));
        }
        return Take::kNotMine;
    }

    void reportProblem() const
    {
        std::fprintf(stderr, "tidemark %s: -j wants a number of jobs from 1 to %u%s\n", command_, kMax,
                     bad_.empty() ? "" : (", not '" + bad_ + "'").c_str());
    }

    Take setValue(const std::string &text)
    {
        unsigned value = 0;
        for (const char c : text) {
            if (c < '0' || c > '9' || value > kMax) {
                value = 0;
                break;
            }
            value = value * 10 + static_cast<unsigned>(c - '0');
        }
        if (value < 1 || value > kMax) {
            bad_ = text;
            return Take::kBadValue;
        }
        jobs_ = value;
        return Take::kTaken;
    }

    const char *command_;
    unsigned jobs_;
    bool wantsValue_ = false;
    std::string bad_;
};

}  // namespace tidemark::cli
