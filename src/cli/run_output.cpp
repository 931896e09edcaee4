#include "cli/run_output.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "platform/platform.h"

namespace cli {
namespace {

std::atomic<bool> gInterrupted{false};

extern "C" void onInterrupt(int) { gInterrupted.store(true); }

void drawProgress(const core::AppState& state) {
    std::string file = state.currentFile.get();
    constexpr std::size_t kShown = 60;
    if (file.size() > kShown) file = "..." + file.substr(file.size() - (kShown - 3));
    std::fprintf(stderr, "\r%3u%%  %-*s", static_cast<unsigned>(state.progressPercent.load()),
                 static_cast<int>(kShown), escapeCell(file).c_str());
    std::fflush(stderr);
}

void clearProgress() {
    std::fprintf(stderr, "\r%*s\r", 66, "");
    std::fflush(stderr);
}

std::size_t columnWidth(const std::vector<std::array<std::string, core::kColumnCount>>& rows,
                        int column, std::string_view caption) {
    constexpr std::size_t kWidest = 60;
    std::size_t width = caption.size();
    for (const auto& row : rows) width = std::max(width, escapeCell(row[static_cast<std::size_t>(column)]).size());
    return std::min(width, kWidest);
}

void printPadded(std::FILE* out, const std::string& cell, std::size_t width) {
    std::fputs(cell.c_str(), out);
    for (std::size_t i = cell.size(); i < width; ++i) std::fputc(' ', out);
    std::fputs("  ", out);
}

}  // namespace

core::WindowEffects consoleEffects() { return {}; }

bool runWorker(core::AppState& state, const std::function<void()>& worker) {
    gInterrupted.store(false);
    auto previous = std::signal(SIGINT, onInterrupt);
    bool showProgress = isatty(fileno(stderr));
    std::atomic<bool> done{false};
    std::thread thread([&] {
        worker();
        done.store(true);
    });
    bool abortSent = false;
    auto lastDraw = std::chrono::steady_clock::now() - std::chrono::seconds(1);
    while (!done.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (gInterrupted.load() && !abortSent) {
            core::requestAbort(state);
            abortSent = true;
        }
        auto now = std::chrono::steady_clock::now();
        if (showProgress && now - lastDraw >= std::chrono::milliseconds(100)) {
            drawProgress(state);
            lastDraw = now;
        }
    }
    thread.join();
    if (showProgress) clearProgress();
    std::signal(SIGINT, previous);
    return gInterrupted.load();
}

std::string escapeCell(std::string_view cell) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(cell.size());
    for (char c : cell) {
        auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default:
            if (byte < 0x20) {
                out += "\\x";
                out += kHex[byte >> 4];
                out += kHex[byte & 0xF];
            } else {
                out += c;
            }
        }
    }
    return out;
}

void printRows(const core::AppState& state, bool tsv, std::FILE* out) {
    auto rows = state.list.snapshot();
    if (tsv) {
        for (const auto& row : rows) {
            std::string line = escapeCell(row[0]) + '\t' + escapeCell(row[1]) + '\t' + escapeCell(row[2]) + '\n';
            std::fwrite(line.data(), 1, line.size(), out);
        }
        return;
    }
    auto columns = core::columnsFor(state.settings.searchMode);
    std::size_t width0 = columnWidth(rows, 0, columns[0].caption);
    std::size_t width1 = columnWidth(rows, 1, columns[1].caption);
    printPadded(out, columns[0].caption, width0);
    printPadded(out, columns[1].caption, width1);
    std::fprintf(out, "%s\n", columns[2].caption);
    for (const auto& row : rows) {
        printPadded(out, escapeCell(row[0]), width0);
        printPadded(out, escapeCell(row[1]), width1);
        std::string last = escapeCell(row[2]) + '\n';
        std::fwrite(last.data(), 1, last.size(), out);
    }
}

int usageError(const std::string& message) {
    std::fprintf(stderr, "pairlook-cli: %s\nTry 'pairlook-cli --help'.\n", message.c_str());
    return kExitTrouble;
}

}  // namespace cli
