#include "cli/run_output.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <cstring>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "core/run_control.h"
#include "platform/platform.h"
#include "search/worker.h"

namespace cli {
namespace {

std::atomic<bool> gInterrupted{false};

extern "C" void onInterrupt(int) { gInterrupted.store(true); }

void drawProgress(const core::AppState& state) {
    std::string file = state.currentFile.get();
    constexpr std::size_t kShown = 60;
    if (file.size() > kShown) {
        std::size_t from = file.size() - (kShown - 3);
        while (from < file.size() && (static_cast<unsigned char>(file[from]) & 0xC0) == 0x80) ++from;
        file = "..." + file.substr(from);
    }
    std::fprintf(stderr, "\r%3u%%  %-*s", static_cast<unsigned>(state.progressPercent.load()),
                 static_cast<int>(kShown), escapeCell(file).c_str());
    std::fflush(stderr);
}

void clearProgress() {
    std::fprintf(stderr, "\r%*s\r", 66, "");
    std::fflush(stderr);
}

// Appends the cell escaped byte by byte (see escapeCell); the stretches
// between bytes that need escaping go in whole.
void appendEscaped(std::string& out, std::string_view cell) {
    static const char kHex[] = "0123456789ABCDEF";
    std::size_t plainFrom = 0;
    for (std::size_t i = 0; i < cell.size(); ++i) {
        char c = cell[i];
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && c != '\\') continue;
        out.append(cell.data() + plainFrom, i - plainFrom);
        plainFrom = i + 1;
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default:
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
    }
    out.append(cell.data() + plainFrom, cell.size() - plainFrom);
}

std::size_t escapedLength(std::string_view cell) {
    std::size_t length = 0;
    for (char c : cell) {
        auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '\t' || c == '\n' || c == '\r')
            length += 2;
        else
            length += byte < 0x20 ? 4 : 1;
    }
    return length;
}

// The escaped cell, padded to the column's width, and the gap after it.
void appendPadded(std::string& line, std::string_view cell, std::size_t width) {
    std::size_t start = line.size();
    appendEscaped(line, cell);
    std::size_t written = line.size() - start;
    if (written < width) line.append(width - written, ' ');
    line += "  ";
}

// The widest a column of the readable table grows.
constexpr std::size_t kWidest = 60;

template <typename Cells>
void appendTsvLine(std::string& line, const Cells& cells) {
    appendEscaped(line, cells[0]);
    line += '\t';
    appendEscaped(line, cells[1]);
    line += '\t';
    appendEscaped(line, cells[2]);
    line += '\n';
}

template <typename Cells>
void appendTableLine(std::string& line, const Cells& cells, std::size_t width0, std::size_t width1) {
    appendPadded(line, cells[0], width0);
    appendPadded(line, cells[1], width1);
    appendEscaped(line, cells[2]);
    line += '\n';
}

void appendCaptionLine(std::string& line, std::uint32_t searchMode, std::size_t width0, std::size_t width1) {
    auto columns = core::columnsFor(searchMode);
    appendTableLine(line, std::array<std::string_view, core::kColumnCount>{columns[0].caption, columns[1].caption,
                                                                          columns[2].caption},
                    width0, width1);
}

}  // namespace

core::WindowEffects consoleEffects() { return {}; }

Finished runInBackground(core::AppState& state, const core::RunRequest& request, LiveRows* live) {
    gInterrupted.store(false);
    Finished finished;
    // The console starts no worker through its effects: the thread below is it.
    core::startPreparedRun(state, consoleEffects(), request);
    auto previous = std::signal(SIGINT, onInterrupt);
    bool showProgress = isatty(fileno(stderr));
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::thread thread([&] {
        finished.outcome = search::runWorker(state, consoleEffects(), request);
        std::lock_guard lock(mutex);
        done = true;
        ended.notify_one();
    });
    // Wakes when the worker ends, and every 20 ms meanwhile to pass on a
    // Ctrl+C and redraw the progress; a short run pays no wait.
    bool abortSent = false;
    auto lastDraw = std::chrono::steady_clock::now() - std::chrono::seconds(1);
    std::unique_lock lock(mutex);
    while (!ended.wait_for(lock, std::chrono::milliseconds(20), [&] { return done; })) {
        if (gInterrupted.load() && !abortSent) {
            core::requestAbort(state);
            abortSent = true;
        }
        auto now = std::chrono::steady_clock::now();
        if (now - lastDraw < std::chrono::milliseconds(100)) continue;
        if (live) {
            auto rows = live->take(state);
            if (!rows.empty() && showProgress) clearProgress();
            live->print(rows);
        }
        if (showProgress) drawProgress(state);
        lastDraw = now;
    }
    lock.unlock();
    thread.join();
    if (showProgress) clearProgress();
    if (live) live->finish(state);
    std::signal(SIGINT, previous);
    finished.interrupted = gInterrupted.load();
    return finished;
}

std::string escapeCell(std::string_view cell) {
    std::string out;
    out.reserve(cell.size());
    appendEscaped(out, cell);
    return out;
}

// Streams the rows from the list, one reused line at a time: a File-mode run
// can hold millions of rows, and copying them all first would double the
// memory the run needs.
void printRows(const core::AppState& state, bool tsv, std::uint32_t searchMode, std::FILE* out) {
    using Cells = std::array<std::string_view, core::kColumnCount>;
    std::string line;
    auto writeLine = [&] { std::fwrite(line.data(), 1, line.size(), out); };
    if (tsv) {
        state.list.forEachRow([&](const Cells& cells) {
            line.clear();
            appendTsvLine(line, cells);
            writeLine();
        });
        return;
    }
    auto columns = core::columnsFor(searchMode);
    std::size_t width0 = std::strlen(columns[0].caption);
    std::size_t width1 = std::strlen(columns[1].caption);
    state.list.forEachRow([&](const Cells& cells) {
        width0 = std::max(width0, escapedLength(cells[0]));
        width1 = std::max(width1, escapedLength(cells[1]));
    });
    width0 = std::min(width0, kWidest);
    width1 = std::min(width1, kWidest);
    appendCaptionLine(line, searchMode, width0, width1);
    writeLine();
    state.list.forEachRow([&](const Cells& cells) {
        line.clear();
        appendTableLine(line, cells, width0, width1);
        writeLine();
    });
}

bool standardOutputIsTerminal() { return isatty(fileno(stdout)) != 0; }

bool LiveRows::firstTime(const std::array<std::string, core::kColumnCount>& row) {
    std::string key = row[0];
    key += '\0';  // no path holds one
    key += row[1];
    return printed_.insert(std::move(key)).second;
}

// The Start row is whole once the worker says so, and a pair row once
// pairCount counts it; until the run ends, rows are only added after the
// last pair row.
std::vector<std::array<std::string, core::kColumnCount>> LiveRows::take(const core::AppState& state) {
    std::vector<std::array<std::string, core::kColumnCount>> rows;
    if (!started_) {
        if (!state.startRowWritten.load()) return rows;
        started_ = true;
        rows.push_back(state.list.readRow(0));
    }
    const std::uint32_t pairs = state.pairCount.load();
    for (; pairsSeen_ < pairs; ++pairsSeen_) {
        std::array<std::string, core::kColumnCount> row = state.list.readRow(static_cast<int>(pairsSeen_) + 1);
        if (firstTime(row)) rows.push_back(std::move(row));
    }
    return rows;
}

void LiveRows::print(const std::vector<std::array<std::string, core::kColumnCount>>& rows) {
    std::string line;
    for (const auto& row : rows) {
        line.clear();
        if (tsv_) {
            appendTsvLine(line, row);
        } else {
            if (!captionPrinted_) appendCaptionLine(line, core::search_mode::kDirectory, kWidest, kWidest);
            captionPrinted_ = true;
            appendTableLine(line, row, kWidest, kWidest);
        }
        std::fwrite(line.data(), 1, line.size(), out_);
    }
    std::fflush(out_);
}

void LiveRows::finish(const core::AppState& state) {
    if (!started_) {
        printRows(state, tsv_, core::search_mode::kDirectory, out_);
        return;
    }
    std::vector<std::array<std::string, core::kColumnCount>> rows;
    const int count = state.list.rowCount();
    for (int row = 1; row < count; ++row) {
        std::array<std::string, core::kColumnCount> cells = state.list.readRow(row);
        if (row == count - 1 || firstTime(cells)) rows.push_back(std::move(cells));
    }
    print(rows);
}

int usageError(const std::string& message) {
    std::fprintf(stderr, "pairlook-cli: %s (see pairlook-cli --help)\n", message.c_str());
    return kExitTrouble;
}

bool finishStandardOutput() {
    bool failed = std::ferror(stdout) != 0;
    int error = failed ? errno : 0;
    if (std::fflush(stdout) != 0 && !failed) {
        failed = true;
        error = errno;
    }
    if (std::fclose(stdout) != 0 && !failed) {
        failed = true;
        error = errno;
    }
    if (failed) std::fprintf(stderr, "pairlook-cli: cannot write the output: %s\n", std::strerror(error));
    return !failed;
}

}  // namespace cli
