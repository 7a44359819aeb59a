#pragma once

#include <string>

namespace tidemark::cli {

// "-j N", "--jobs N", "-jN" and "--jobs=N": how many titles are read at
// once. By default one per processor.
class JobsOption {
public:
    static constexpr unsigned kMax = 64;

    explicit JobsOption(unsigned defaultJobs) : jobs_(defaultJobs < 1 ? 1 : defaultJobs > kMax ? kMax : defaultJobs) {}

    enum class Take { kNotMine, kTaken, kBadValue };

    // Takes `arg` when it is the option, the option with its number, or the
    // number after the option.
    Take take(const std::string &arg)
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

    // True when the last argument taken was the option without its number.
    bool wantsValue() const { return wantsValue_; }
    unsigned jobs() const { return jobs_; }
    // What is wrong with the number, for a usage error.
    std::string problem() const
    {
        return "-j wants a number of jobs from 1 to " + std::to_string(kMax) + (bad_.empty() ? "" : ", not '" + bad_ + "'");
    }

private:
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

    unsigned jobs_;
    bool wantsValue_ = false;
    std::string bad_;
};

}  // namespace tidemark::cli
