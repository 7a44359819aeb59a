#include "journal/Journal.h"

#include <algorithm>
#include <ctime>
#include <map>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include <nlohmann/json.hpp>

namespace tidemark {

namespace {

// Keys keep the order they are written in, so that a line reads as
// {"run":7,"move":3,...}.
using Json = nlohmann::ordered_json;

class JournalErrcCategory final : public std::error_category {
public:
    const char *name() const noexcept override { return "tidemark journal"; }
    std::string message(int) const override
    {
        return "the journal's run numbers are used up: move the journal away to start a new one";
    }
};

// Holds the journal's lock for a scope.
class Locked {
public:
    explicit Locked(JournalStore &store) : store_(store), error_(store.lock()) {}
    ~Locked()
    {
        if (!error_) {
            store_.unlock();
        }
    }
    Locked(const Locked &) = delete;
    Locked &operator=(const Locked &) = delete;
    const std::error_code &error() const { return error_; }

private:
    JournalStore &store_;
    std::error_code error_;
};

// File names are bytes, and POSIX allows any bytes but '/' and NUL, while
// JSON strings hold UTF-8 only. A name that is not UTF-8 is kept as
// {"hex":"..."} so that it comes back byte for byte.
Json pathToJson(const std::string &path)
{
    try {
        (void)Json(path).dump();
        return path;
    } catch (const Json::type_error &) {
        static const char digits[] = "0123456789abcdef";
        std::string hex;
        for (const unsigned char c : path) {
            hex += digits[c >> 4];
            hex += digits[c & 15];
        }
        return Json{{"hex", hex}};
    }
}

std::string pathFromJson(const Json &value)
{
    if (value.is_string()) {
        return value.get<std::string>();
    }
    const std::string hex = value.at("hex").get<std::string>();
    std::string path;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        path += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return path;
}

std::string line(const Json &record)
{
    return record.dump() + '\n';
}

// What a line is: its run, its kind and, for a move or a mark, the move's
// number. Run 0 for a line that cannot be read.
struct Head {
    enum class Kind { kOther, kStart, kMove, kDone, kFailed, kEnd };
    std::uint64_t run = 0;
    Kind kind = Kind::kOther;
    std::uint64_t number = 0;
};

bool readNumber(std::string_view text, std::size_t &at, std::uint64_t &value)
{
    const std::size_t begin = at;
    value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        const unsigned digit = static_cast<unsigned>(text[at] - '0');
        if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) {
            return false;
        }
        value = value * 10 + digit;
    }
    return at > begin;
}

Head parsedHead(const Json &record)
{
    Head head;
    if (!record.is_object() || !record.contains("run") || !record["run"].is_number_unsigned()) {
        return head;
    }
    head.run = record["run"].get<std::uint64_t>();
    static const std::pair<const char *, Head::Kind> kKinds[] = {{"start", Head::Kind::kStart},
                                                                 {"move", Head::Kind::kMove},
                                                                 {"done", Head::Kind::kDone},
                                                                 {"failed", Head::Kind::kFailed},
                                                                 {"end", Head::Kind::kEnd}};
    for (const auto &[key, kind] : kKinds) {
        if (record.contains(key)) {
            head.kind = kind;
            if (record[key].is_number_unsigned()) {
                head.number = record[key].get<std::uint64_t>();
            }
            break;
        }
    }
    return head;
}

// A line as this program writes it begins {"run":7,"move":3, and a mark is
// {"run":7,"done":3}: those are read without a JSON parser, since a long
// journal is mostly moves and marks. Any other line is parsed whole.
Head headOf(std::string_view text)
{
    static constexpr std::string_view kRun = "{\"run\":";
    Head head;
    std::size_t at = kRun.size();
    if (text.substr(0, at) == kRun && readNumber(text, at, head.run) && at < text.size() && text[at] == ',') {
        const std::string_view rest = text.substr(at + 1);
        static const std::pair<std::string_view, Head::Kind> kKinds[] = {{"\"start\":", Head::Kind::kStart},
                                                                         {"\"move\":", Head::Kind::kMove},
                                                                         {"\"done\":", Head::Kind::kDone},
                                                                         {"\"failed\":", Head::Kind::kFailed},
                                                                         {"\"end\":", Head::Kind::kEnd}};
        for (const auto &[key, kind] : kKinds) {
            if (rest.substr(0, key.size()) != key) {
                continue;
            }
            std::size_t number = at + 1 + key.size();
            const bool numbered = readNumber(text, number, head.number);
            const bool mark = kind == Head::Kind::kDone || kind == Head::Kind::kFailed;
            if (kind == Head::Kind::kMove ? numbered : !mark || (numbered && text.substr(number) == "}")) {
                head.kind = kind;
                return head;
            }
            break;
        }
    }
    return parsedHead(Json::parse(text.begin(), text.end(), nullptr, false));
}

Json parsed(std::string_view text)
{
    return Json::parse(text.begin(), text.end(), nullptr, false);
}

// The first line of a trimmed journal: how many runs that moved something
// it kept, and the last run number it had met.
struct TrimLine {
    std::uint64_t kept = 0;
    std::uint64_t through = 0;
};
std::optional<TrimLine> trimLine(std::string_view text)
{
    const Json record = parsed(text);
    if (!record.is_object() || !record.contains("kept") || !record.at("kept").is_number_unsigned() ||
        !record.contains("through") || !record.at("through").is_number_unsigned()) {
        return std::nullopt;
    }
    return TrimLine{record.at("kept").get<std::uint64_t>(), record.at("through").get<std::uint64_t>()};
}

// The journal's lines from its end back, read in pieces that grow as they
// go, so that a reader who stops early reads little. Each piece is split
// forwards, where finding a newline is one library call, and its lines are
// handed over from its last.
class LinesBackwards {
public:
    LinesBackwards(JournalStore &store, std::uint64_t size) : store_(store), begin_(size) {}

    // The line before the one handed over last, without its newline; valid
    // until the next call. False at the journal's start, or on an error.
    bool previous(std::string_view &line)
    {
        while (lines_.empty()) {
            if (begin_ == 0 || !readMore()) {
                return false;
            }
        }
        const auto [from, to] = lines_.back();
        lines_.pop_back();
        line = std::string_view(text_).substr(from, to - from);
        return true;
    }

    const std::error_code &error() const { return error_; }

private:
    // Reads the piece before what was read, joined to the start of the
    // line that the last piece began in the middle of.
    bool readMore()
    {
        const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(piece_, begin_));
        const bool atEnd = text_.empty();
        std::string piece;
        error_ = store_.readAt(begin_ - length, length, piece);
        if (!error_ && piece.size() != length) {
            error_ = std::make_error_code(std::errc::io_error);  // shorter than it was when locked
        }
        if (error_) {
            return false;
        }
        piece.append(text_, 0, partial_);
        text_ = std::move(piece);
        begin_ -= length;
        piece_ = std::min<std::size_t>(piece_ * 2, 1 << 20);
        // Before the first newline: part of a line that an earlier piece
        // holds the rest of, unless this piece starts the journal.
        std::size_t from = begin_ == 0 ? 0 : text_.find('\n');
        partial_ = from == std::string::npos ? text_.size() : from;
        if (from == std::string::npos) {
            return true;
        }
        from += begin_ == 0 ? 0 : 1;
        for (std::size_t newline; (newline = text_.find('\n', from)) != std::string::npos; from = newline + 1) {
            lines_.emplace_back(from, newline);
        }
        if (from < text_.size() || !atEnd) {
            // The journal's last line, cut short; or, in a later piece, the
            // line whose rest the piece after holds.
            lines_.emplace_back(from, text_.size());
        }
        return true;
    }

    JournalStore &store_;
    std::uint64_t begin_;   // where text_ begins in the journal
    std::string text_;      // the last piece read, and what it begins
    std::size_t partial_ = 0;  // the length of text_'s first line, which the piece before completes
    std::vector<std::pair<std::size_t, std::size_t>> lines_;  // in text_, not handed over yet
    std::size_t piece_ = 64 << 10;
    std::error_code error_;
};

// Calls `visit` with each line of the first `size` bytes of the journal and
// its offset, in order, until it returns false. The first pieces are small,
// for a reader of the first line only.
using LineVisitor = std::function<bool(std::string_view line, std::uint64_t offset)>;
std::error_code forEachLine(JournalStore &store, std::uint64_t size, const LineVisitor &visit)
{
    std::string text;            // whole lines from textAt on, and the start of the next
    std::uint64_t textAt = 0;
    std::size_t piece = 4 << 10;
    for (std::uint64_t next = 0; next < size;) {
        std::string more;
        const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(piece, size - next));
        if (const std::error_code error = store.readAt(next, length, more)) {
            return error;
        }
        if (more.size() != length) {
            return std::make_error_code(std::errc::io_error);
        }
        text += more;
        next += length;
        piece = std::min<std::size_t>(piece * 4, 1 << 20);
        std::size_t from = 0;
        for (std::size_t newline; (newline = text.find('\n', from)) != std::string::npos; from = newline + 1) {
            if (!visit(std::string_view(text).substr(from, newline - from), textAt + from)) {
                return {};
            }
        }
        if (next == size && from < text.size()) {
            (void)visit(std::string_view(text).substr(from), textAt + from);  // cut short
            return {};
        }
        text.erase(0, from);
        textAt += from;
    }
    return {};
}

}  // namespace

std::error_code JournalStore::writeKept(const std::string &head, const std::vector<ByteRange> &kept,
                                        const WriteBytes &write, const std::function<std::error_code()> &sync)
{
    if (const std::error_code error = write(head)) {
        return error;
    }
    std::string piece;
    for (const ByteRange &range : kept) {
        for (std::uint64_t done = 0; done < range.length;) {
            const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(range.length - done, 1 << 20));
            if (const std::error_code error = readAt(range.offset + done, length, piece)) {
                return error;
            }
            if (piece.empty()) {
                return std::make_error_code(std::errc::io_error);  // the journal is shorter than it was
            }
            if (const std::error_code error = write(piece)) {
                return error;
            }
            done += piece.size();
        }
    }
    if (const std::error_code error = hook(StoreCall::kSyncReplacement)) {
        return error;
    }
    return sync();
}

std::error_code make_error_code(JournalErrc error)
{
    static const JournalErrcCategory category;
    return {static_cast<int>(error), category};
}

std::error_code Journal::open(const std::string &folder, std::unique_ptr<Journal> &journal)
{
    std::unique_ptr<JournalStore> store;
    if (const std::error_code error = openJournalStore(folder, store)) {
        return error;
    }
    auto opened = std::make_unique<Journal>(std::move(store));
    // Said now rather than at the first move.
    {
        const Locked locked(*opened->store_);
        std::uint64_t size = 0;
        std::uint64_t last = 0;
        std::error_code error = locked.error();
        if (!error) {
            error = opened->store_->size(size);
        }
        if (!error) {
            error = opened->lastRunNumber(size, last);
        }
        if (!error && last >= kLastRunNumber) {
            error = JournalErrc::kRunNumbersUsedUp;
        }
        if (error) {
            return error;
        }
    }
    journal = std::move(opened);
    return {};
}

std::error_code Journal::openForReading(const std::string &folder, std::unique_ptr<Journal> &journal)
{
    std::unique_ptr<JournalStore> store;
    if (const std::error_code error = openJournalStore(folder, store, JournalAccess::kRead)) {
        return error;
    }
    journal = std::make_unique<Journal>(std::move(store));
    return {};
}

void Journal::beginRun(RunInfo info, Recording recording)
{
    if (runId_ != 0) {
        store_->releaseRun(runId_);  // begun anew without its end
    }
    info_ = std::move(info);
    recording_ = recording;
    runId_ = 0;
    moves_ = 0;
}

std::error_code Journal::append(const std::string &text)
{
    const Locked locked(*store_);
    if (locked.error()) {
        return locked.error();
    }
    return appendLocked(text);
}

std::error_code Journal::appendLocked(std::string text)
{
    std::uint64_t size = 0;
    if (const std::error_code error = store_->size(size)) {
        return error;
    }
    if (size > 0) {
        // A line cut short (by a power cut) must not swallow this one.
        std::string last;
        if (const std::error_code error = store_->readAt(size - 1, 1, last)) {
            return error;
        }
        if (last != "\n") {
            text.insert(0, 1, '\n');
        }
    }
    if (const std::error_code error = store_->append(text)) {
        // Part of the record may be in: the journal goes back to how it was.
        (void)store_->truncate(size);
        return error;
    }
    return {};
}

std::error_code Journal::recordMove(const std::string &oldPath, const std::string &newPath, const FileStamp &stamp,
                                    std::size_t &number)
{
    if (runId_ == 0) {
        if (const std::error_code error = startRun()) {
            return error;
        }
    }
    number = ++moves_;
    return append(line(Json{{"run", runId_},
                            {"move", number},
                            {"old", pathToJson(oldPath)},
                            {"new", pathToJson(newPath)},
                            {"size", stamp.size},
                            {"mtime", stamp.modified}}));
}

std::error_code Journal::lastRunNumber(std::uint64_t size, std::uint64_t &last)
{
    // Runs are numbered under the lock as their start is appended: the last
    // start line has the largest number. Every line met on the way back to
    // it counts too, so that a start line that cannot be read (or a number
    // that another process wrote) is never numbered again; and so does the
    // last number of a trim that kept no run.
    last = 0;
    LinesBackwards lines(*store_, size);
    for (std::string_view text; lines.previous(text);) {
        const Head head = headOf(text);
        last = std::max(last, head.run);
        if (head.run == 0) {
            if (const std::optional<TrimLine> trimmed = trimLine(text)) {
                last = std::max(last, trimmed->through);
            }
        }
        if (head.run != 0 && head.kind == Head::Kind::kStart) {
            break;
        }
    }
    return lines.error();
}

bool Journal::trimDue(std::uint64_t size, std::uint64_t last)
{
    if (size >= kBytesTrimmed) {
        return true;
    }
    // Runs that may hold moves: those counted at the last trim and every
    // run numbered since, or all from the first run's number.
    std::uint64_t runs = last;
    (void)forEachLine(*store_, size, [&](std::string_view text, std::uint64_t) {
        if (const std::optional<TrimLine> trimmed = trimLine(text)) {
            runs = trimmed->kept + (last > trimmed->through ? last - trimmed->through : 0);
            return false;
        }
        const std::uint64_t first = headOf(text).run;
        if (first != 0) {
            runs = last >= first ? last - first + 1 : 0;
            return false;
        }
        return true;
    });
    return runs >= kRunsTrimmed;
}

std::error_code Journal::trim(std::uint64_t size, std::uint64_t last)
{
    // Where each run's lines are, and what it holds.
    struct Stretch {
        ByteRange range;
        std::uint64_t run;
    };
    struct Held {
        std::uint64_t bytes = 0;
        std::size_t moves = 0;
        std::size_t failed = 0;
        bool ended = false;
    };
    std::vector<Stretch> stretches;
    std::map<std::uint64_t, Held> runs;
    const std::error_code error = forEachLine(*store_, size, [&](std::string_view text, std::uint64_t offset) {
        const Head head = headOf(text);
        if (head.run == 0) {
            return true;  // the last trim's count, and lines that cannot be read
        }
        const std::uint64_t length = std::min<std::uint64_t>(text.size() + 1, size - offset);
        Held &run = runs[head.run];
        run.bytes += length;
        run.moves += head.kind == Head::Kind::kMove ? 1 : 0;
        run.failed += head.kind == Head::Kind::kFailed ? 1 : 0;
        run.ended = run.ended || head.kind == Head::Kind::kEnd;
        if (!stretches.empty() && stretches.back().run == head.run &&
            stretches.back().range.offset + stretches.back().range.length == offset) {
            stretches.back().range.length += length;
        } else {
            stretches.push_back({{offset, length}, head.run});
        }
        return true;
    });
    if (error) {
        return error;
    }

    // The newest runs that fit, with room for the one about to start; older
    // ones go, but for any whose process still records it. The newest run
    // that moved something stays even when it alone is past the size bound:
    // the run just made can always be taken back.
    std::unordered_set<std::uint64_t> kept;
    std::size_t moved = 0;
    std::uint64_t bytes = 0;
    bool full = false;
    for (auto it = runs.rbegin(); it != runs.rend(); ++it) {
        const auto &[id, run] = *it;
        const std::size_t movedToo = run.moves > run.failed ? 1 : 0;
        full = full || moved + movedToo + 1 > kRunsKept || (moved != 0 && bytes + run.bytes > kBytesKept);
        if (!full) {
            moved += movedToo;
            bytes += run.bytes;
            kept.insert(id);
        } else if (!run.ended && store_->runGoesOn(id)) {
            kept.insert(id);
        }
    }
    std::vector<ByteRange> ranges;
    for (const Stretch &stretch : stretches) {
        if (kept.count(stretch.run) == 0) {
            continue;
        }
        if (!ranges.empty() && ranges.back().offset + ranges.back().length == stretch.range.offset) {
            ranges.back().length += stretch.range.length;
        } else {
            ranges.push_back(stretch.range);
        }
    }
    return store_->replace(line(Json{{"kept", moved}, {"through", last}}), ranges);
}

std::error_code Journal::startRun()
{
    const Locked locked(*store_);
    if (locked.error()) {
        return locked.error();
    }
    std::uint64_t size = 0;
    std::uint64_t last = 0;
    if (const std::error_code error = store_->size(size)) {
        return error;
    }
    if (const std::error_code error = lastRunNumber(size, last)) {
        return error;
    }
    if (last >= kLastRunNumber) {
        return JournalErrc::kRunNumbersUsedUp;
    }
    // A journal that cannot be trimmed still records; a crash while
    // trimming leaves the old journal whole.
    if (trimDue(size, last)) {
        (void)trim(size, last);
    }

    const std::uint64_t id = last + 1;
    Json start{{"run", id}, {"start", static_cast<std::int64_t>(std::time(nullptr))}, {"command", info_.command}};
    Json paths = Json::array();
    for (const std::string &path : info_.paths) {
        paths.push_back(pathToJson(path));
    }
    start["paths"] = paths;
    if (info_.undoes != 0) {
        start["undoes"] = info_.undoes;
    }
    if (const std::error_code error = appendLocked(line(start))) {
        return error;
    }
    runId_ = id;
    // Without its mark the run can still be taken back, only not refused
    // while it goes on.
    (void)store_->holdRun(id);
    return {};
}

std::error_code Journal::markMove(std::size_t number, bool done)
{
    if (runId_ == 0) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    return append(line(Json{{"run", runId_}, {done ? "done" : "failed", number}}));
}

std::error_code Journal::finish(const RunCounts &counts, bool complete)
{
    if (runId_ == 0) {
        if (recording_ != Recording::kAlways) {
            return {};
        }
        if (const std::error_code error = startRun()) {
            return error;
        }
    }
    Json byOutcome = Json::object();
    for (const auto &[outcome, count] : counts) {
        byOutcome[outcome] = count;
    }
    Json end{{"run", runId_}, {"end", static_cast<std::int64_t>(std::time(nullptr))}, {"counts", byOutcome}};
    if (!complete) {
        end["complete"] = false;
    }
    const std::error_code error = append(line(end));
    store_->releaseRun(runId_);
    const std::error_code synced = store_->sync();
    return error ? error : synced;
}

std::error_code Journal::visitRuns(const RunVisitor &visit, std::uint64_t movesOf)
{
    const Locked locked(*store_);
    if (locked.error()) {
        return locked.error();
    }
    std::uint64_t size = 0;
    if (const std::error_code error = store_->size(size)) {
        return error;
    }
    // Read backwards, a run is whole once its start line is met: all its
    // other lines come after it. Whether it was taken back is settled too,
    // since every undo is newer than the run it takes back.
    struct Reading {
        RunRecord run;
        std::size_t moves = 0;
        std::map<std::uint64_t, MoveRecord> byNumber;
        std::unordered_map<std::uint64_t, MoveRecord::State> marks;
    };
    struct Undone {
        std::uint64_t whole = 0;
        std::uint64_t part = 0;
    };
    std::unordered_map<std::uint64_t, Reading> reading;
    std::unordered_map<std::uint64_t, Undone> undone;
    const auto wanted = [movesOf](std::uint64_t run) { return movesOf == run || movesOf == kAllRuns; };

    LinesBackwards lines(*store_, size);
    for (std::string_view text; lines.previous(text);) {
        const Head head = headOf(text);
        if (head.run == 0) {
            continue;
        }
        Reading &r = reading[head.run];
        try {
            switch (head.kind) {
            case Head::Kind::kOther:
                break;
            case Head::Kind::kEnd:
                if (!r.run.ended) {
                    // Undos written before "complete" was said end as
                    // complete when no file failed.
                    const Json record = parsed(text);
                    r.run.complete = record.value("complete", true);
                    for (const auto &[outcome, count] : record.at("counts").items()) {
                        r.run.counts.emplace_back(outcome, count.get<std::size_t>());
                        r.run.complete = r.run.complete && !(outcome == "failed" && count != 0);
                    }
                    r.run.ended = true;
                }
                break;
            case Head::Kind::kDone:
            case Head::Kind::kFailed: {
                const bool done = head.kind == Head::Kind::kDone;
                if (!wanted(head.run) || r.marks.emplace(head.number, done ? MoveRecord::State::kDone : MoveRecord::State::kFailed).second) {
                    ++(done ? r.run.tally.made : r.run.tally.failed);
                }
                break;
            }
            case Head::Kind::kMove:
                ++r.moves;
                if (wanted(head.run)) {
                    const Json record = parsed(text);
                    MoveRecord move;
                    move.oldPath = pathFromJson(record.at("old"));
                    move.newPath = pathFromJson(record.at("new"));
                    move.stamp.size = record.at("size").get<std::uint64_t>();
                    move.stamp.modified = record.at("mtime").get<std::int64_t>();
                    r.byNumber.emplace(head.number, std::move(move));
                }
                break;
            case Head::Kind::kStart: {
                const Json record = parsed(text);
                RunRecord run = std::move(r.run);
                run.id = head.run;
                run.started = record.at("start").get<std::int64_t>();
                run.info.command = record.at("command").get<std::string>();
                for (const Json &path : record.at("paths")) {
                    run.info.paths.push_back(pathFromJson(path));
                }
                run.info.undoes = record.value("undoes", std::uint64_t{0});
                const std::size_t marked = run.tally.made + run.tally.failed;
                run.tally.unconfirmed = r.moves > marked ? r.moves - marked : 0;
                for (auto &[number, move] : r.byNumber) {
                    if (const auto mark = r.marks.find(number); mark != r.marks.end()) {
                        move.state = mark->second;
                    }
                    run.moves.push_back(std::move(move));
                }
                reading.erase(head.run);

                run.goesOn = !run.ended && store_->runGoesOn(run.id);
                if (const auto it = undone.find(run.id); it != undone.end()) {
                    run.undoneBy = it->second.whole;
                    run.partlyUndoneBy = it->second.whole == 0 ? it->second.part : 0;
                }
                // An undo counts only while it is not taken back itself.
                if (run.info.undoes != 0 && run.undoneBy == 0) {
                    Undone &target = undone[run.info.undoes];
                    if (target.whole == 0 && run.complete) {
                        target.whole = run.id;
                    }
                    if (target.part == 0 && run.tally.made != 0) {
                        target.part = run.id;
                    }
                }
                if (!visit(run)) {
                    return {};
                }
                break;
            }
            }
        } catch (const std::exception &) {
            continue;  // a line of another shape; nothing this version wrote
        }
    }
    return lines.error();
}

std::error_code Journal::readRuns(std::vector<RunRecord> &runs, std::size_t newest, bool withMoves)
{
    runs.clear();
    if (newest == 0) {
        return {};
    }
    return visitRuns(
        [&](RunRecord &run) {
            runs.push_back(std::move(run));
            return runs.size() < newest;
        },
        withMoves ? kAllRuns : 0);
}

std::error_code Journal::readRun(std::uint64_t id, std::optional<RunRecord> &run)
{
    run.reset();
    return visitRuns(
        [&](RunRecord &candidate) {
            if (candidate.id == id) {
                run = std::move(candidate);
            }
            return candidate.id > id;
        },
        id);
}

}  // namespace tidemark
