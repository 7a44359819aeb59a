#include "journal/Journal.h"

#include <algorithm>
#include <ctime>
#include <map>
#include <string_view>

#include <nlohmann/json.hpp>

namespace tidemark {

namespace {

// Keys keep the order they are written in, so that a line reads as
// {"run":7,"move":3,...}.
using Json = nlohmann::ordered_json;

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

// Views into `bytes`, which must outlive them.
std::vector<std::string_view> splitLines(const std::string &bytes)
{
    std::vector<std::string_view> lines;
    for (std::size_t begin = 0; begin < bytes.size();) {
        std::size_t end = bytes.find('\n', begin);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        lines.emplace_back(bytes.data() + begin, end - begin);
        begin = end + 1;
    }
    return lines;
}

// The run a line belongs to, 0 when it cannot be read.
std::uint64_t runOf(std::string_view text, Json &record)
{
    record = Json::parse(text.begin(), text.end(), nullptr, false);
    if (!record.is_object() || !record.contains("run") || !record["run"].is_number_unsigned()) {
        return 0;
    }
    return record["run"].get<std::uint64_t>();
}

// A start record is the only line with the key "start": inside a JSON
// string every quote is escaped, so the bytes "start": cannot occur there.
// That spares parsing the many move lines when a run begins.
bool mayStartRun(std::string_view text)
{
    return text.find("\"start\":") != std::string::npos;
}

}  // namespace

std::error_code Journal::open(const std::string &folder, std::unique_ptr<Journal> &journal)
{
    std::unique_ptr<JournalStore> store;
    if (const std::error_code error = openJournalStore(folder, store)) {
        return error;
    }
    journal = std::make_unique<Journal>(std::move(store));
    return {};
}

void Journal::beginRun(RunInfo info)
{
    info_ = std::move(info);
    runId_ = 0;
    moves_ = 0;
}

std::error_code Journal::append(const std::string &text)
{
    const Locked locked(*store_);
    if (locked.error()) {
        return locked.error();
    }
    return store_->append(text);
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

std::error_code Journal::startRun()
{
    const Locked locked(*store_);
    if (locked.error()) {
        return locked.error();
    }
    std::string bytes;
    if (const std::error_code error = store_->read(bytes)) {
        return error;
    }
    const std::vector<std::string_view> lines = splitLines(bytes);
    // Start records are appended under the lock with rising numbers, so the
    // last one holds the highest: one line is parsed, not one per run.
    std::vector<std::string_view> starts;
    for (const std::string_view text : lines) {
        if (mayStartRun(text)) {
            starts.push_back(text);
        }
    }
    // The run a start line begins; 0 for a line that only looks like one.
    const auto runStartedBy = [](std::string_view text) {
        Json record;
        const std::uint64_t id = runOf(text, record);
        return id != 0 && record.contains("start") ? id : 0;
    };
    const auto firstRunFrom = [&](std::size_t from) {
        for (std::size_t i = from; i < starts.size(); ++i) {
            if (const std::uint64_t id = runStartedBy(starts[i]); id != 0) {
                return id;
            }
        }
        return std::uint64_t{0};
    };
    std::uint64_t id = 1;
    for (std::size_t i = starts.size(); i-- > 0;) {
        if (const std::uint64_t last = runStartedBy(starts[i]); last != 0) {
            id = last + 1;
            break;
        }
    }

    // A line cut short (by a power cut) must not swallow the next one.
    std::string text = !bytes.empty() && bytes.back() != '\n' ? "\n" : "";
    if (starts.size() >= kRunsTrimmed) {
        // Keep the newest runs, this one among the kept; a crash while
        // trimming leaves the old journal whole.
        const std::uint64_t oldestKept = firstRunFrom(starts.size() - (kRunsKept - 1));
        std::string kept;
        for (const std::string_view old : lines) {
            Json record;
            if (runOf(old, record) >= oldestKept) {
                kept.append(old).push_back('\n');
            }
        }
        if (!store_->replace(kept)) {
            text.clear();  // the new journal ends with a whole line
        }
    }

    Json start{{"run", id}, {"start", static_cast<std::int64_t>(std::time(nullptr))}, {"command", info_.command}};
    Json paths = Json::array();
    for (const std::string &path : info_.paths) {
        paths.push_back(pathToJson(path));
    }
    start["paths"] = paths;
    if (info_.undoes != 0) {
        start["undoes"] = info_.undoes;
    }
    text += line(start);
    if (const std::error_code error = store_->append(text)) {
        return error;
    }
    runId_ = id;
    return {};
}

std::error_code Journal::markMove(std::size_t number, bool done)
{
    if (runId_ == 0) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    return append(line(Json{{"run", runId_}, {done ? "done" : "failed", number}}));
}

std::error_code Journal::finish(const RunCounts &counts)
{
    if (runId_ == 0) {
        return {};
    }
    Json byOutcome = Json::object();
    for (const auto &[outcome, count] : counts) {
        byOutcome[outcome] = count;
    }
    const std::error_code error = append(
        line(Json{{"run", runId_}, {"end", static_cast<std::int64_t>(std::time(nullptr))}, {"counts", byOutcome}}));
    const std::error_code synced = store_->sync();
    return error ? error : synced;
}

std::error_code Journal::readRuns(std::vector<RunRecord> &runs)
{
    std::string bytes;
    {
        const Locked locked(*store_);
        if (locked.error()) {
            return locked.error();
        }
        if (const std::error_code error = store_->read(bytes)) {
            return error;
        }
    }
    std::map<std::uint64_t, RunRecord> byId;
    std::map<std::uint64_t, std::map<std::size_t, MoveRecord>> moves;
    for (const std::string_view text : splitLines(bytes)) {
        Json record;
        const std::uint64_t id = runOf(text, record);
        if (id == 0) {
            continue;
        }
        try {
            if (record.contains("start")) {
                RunRecord &run = byId[id];
                run.id = id;
                run.started = record["start"].get<std::int64_t>();
                run.info.command = record["command"].get<std::string>();
                for (const Json &path : record["paths"]) {
                    run.info.paths.push_back(pathFromJson(path));
                }
                run.info.undoes = record.value("undoes", std::uint64_t{0});
            } else if (record.contains("move")) {
                MoveRecord move;
                move.oldPath = pathFromJson(record.at("old"));
                move.newPath = pathFromJson(record.at("new"));
                move.stamp.size = record.at("size").get<std::uint64_t>();
                move.stamp.modified = record.at("mtime").get<std::int64_t>();
                moves[id][record["move"].get<std::size_t>()] = move;
            } else if (record.contains("done") || record.contains("failed")) {
                const bool done = record.contains("done");
                const std::size_t number = record[done ? "done" : "failed"].get<std::size_t>();
                auto &ofRun = moves[id];
                if (auto it = ofRun.find(number); it != ofRun.end()) {
                    it->second.state = done ? MoveRecord::State::kDone : MoveRecord::State::kFailed;
                }
            } else if (record.contains("end") && byId.count(id) != 0) {
                RunRecord &run = byId[id];
                run.ended = true;
                for (const auto &[outcome, count] : record.at("counts").items()) {
                    run.counts.emplace_back(outcome, count.get<std::size_t>());
                }
            }
        } catch (const std::exception &) {
            continue;  // a line of another shape; nothing this version wrote
        }
    }

    runs.clear();
    for (auto &[id, run] : byId) {
        for (auto &[number, move] : moves[id]) {
            run.moves.push_back(std::move(move));
        }
        runs.push_back(std::move(run));
    }
    // An undo counts only while it is not taken back itself; an undo is
    // always newer than the run it takes back, so newest first settles it.
    std::map<std::uint64_t, std::size_t> index;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        index[runs[i].id] = i;
    }
    for (auto it = runs.rbegin(); it != runs.rend(); ++it) {
        if (it->undoneBy == 0 && it->info.undoes != 0) {
            if (auto target = index.find(it->info.undoes); target != index.end() && runs[target->second].undoneBy == 0) {
                runs[target->second].undoneBy = it->id;
            }
        }
    }
    return {};
}

}  // namespace tidemark
