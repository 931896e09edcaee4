#include "core/batch_delete.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "platform/platform.h"
#include "text/text.h"

namespace core {
namespace {

constexpr std::size_t kCheckBlock = 1 << 20;

bool exists(const std::string& path) {
    platform::FileIdentity identity;
    return platform::identityOfPath(path.c_str(), identity);
}

// What a file looked like when it was checked, to see at the hand-over to
// the recycle bin that it has not changed since.
struct Snapshot {
    std::uint64_t size = 0;
    std::string lastWrite;
    bool operator==(const Snapshot&) const = default;
};

Snapshot snapshotOf(const std::string& path) {
    Snapshot snapshot;
    platform::File file = platform::openForReading(path.c_str());
    if (file.isOpen()) snapshot.size = file.sizeAtOpen();
    snapshot.lastWrite = platform::lastWriteText(path.c_str());
    return snapshot;
}

std::string plural(std::uint32_t count, const char* one, const char* many) {
    return text::unsignedDecimalText(count) + " " + (count == 1 ? one : many);
}

class BatchRun {
public:
    BatchRun(AppState& state, const BatchEffects& effects)
        : state_(state),
          effects_(effects),
          mode_(state.settings.batchDeleteMode),
          column_(static_cast<int>(state.runState.load() - run_state::kBatchColumnA)) {
        std::string folder = fieldText(state.settings.moveDir, sizeof state.settings.moveDir);
        if (!folder.empty()) moveDir_ = text::withTrailingBackslash(folder, platform::kPathSeparator);
    }

    BatchOutcome run() {
        state_.detailsRow.store(1);
        state_.runState.store(run_state::kBatchRunning);
        for (;;) {
            int row = state_.detailsRow.load();
            std::string percent = state_.list.readCell(row, 2);
            bool more = !percent.empty();  // the last row's score cell is empty
            if (more && text::decimalValue(percent) == 100) handleRow(row);
            if (mode_ == batch_mode::kRecycle && (!more || pending_.size() >= kRecycleBatch)) handOver();
            state_.detailsRow.store(row + 1);
            if (!more) break;
            if (state_.runState.load() == run_state::kBatchCancel) {
                outcome_.cancelled = true;  // what was collected since the last hand-over stays
                break;
            }
        }
        show(batchSummary(mode_, moveDir_, outcome_));
        if (effects_.finished) effects_.finished(outcome_);
        state_.runState.store(run_state::kIdle);
        return outcome_;
    }

private:
    struct Pending {
        std::string path, partner;
        Snapshot file, partnerFile;
    };

    void show(const std::string& line) const {
        if (effects_.showProgress) effects_.showProgress(line);
    }

    void handleRow(int row) {
        std::string path = state_.list.readCell(row, column_);
        if (path.empty()) return;
        show(path);
        if (gone_.count(path)) return;  // disposed of through an earlier row
        if (mode_ == batch_mode::kMove && moveDir_.empty()) {
            ++outcome_.noMoveFolder;
            return;
        }
        std::string partner = state_.list.readCell(row, 1 - column_);
        // Its partner is gone: this may now be the last copy.
        if (gone_.count(partner)) {
            ++outcome_.lastCopy;
            return;
        }
        if (checker_.check(path, partner) != DuplicateCheck::Identical) {
            ++outcome_.changed;
            return;
        }
        dispose(path, partner);
    }

    void dispose(const std::string& path, const std::string& partner) {
        gone_.insert(path);
        bool done = false;
        switch (mode_) {
            case batch_mode::kRecycle:
                pending_.push_back({path, partner, snapshotOf(path), snapshotOf(partner)});
                return;  // counted at the hand-over
            case batch_mode::kDelete: done = platform::deleteFile(path.c_str()); break;
            case batch_mode::kMove: {
                std::string target = moveDir_ + text::fileNameOf(path, platform::kPathSeparator);
                done = platform::moveFile(path.c_str(), target.c_str());
                break;
            }
        }
        settle(path, done);
    }

    void settle(const std::string& path, bool done) {
        if (done) {
            ++outcome_.disposed;
        } else {
            ++outcome_.failed;
            gone_.erase(path);
        }
    }

    // The collected paths go to the recycle bin in one call, less those that
    // changed after their check.
    void handOver() {
        std::vector<std::string> paths;
        for (const Pending& p : pending_) {
            if (snapshotOf(p.path) == p.file && snapshotOf(p.partner) == p.partnerFile) {
                paths.push_back(p.path);
            } else {
                ++outcome_.changed;
                gone_.erase(p.path);
            }
        }
        pending_.clear();
        if (paths.empty()) return;
        if (effects_.recycle) effects_.recycle(paths);
        for (const std::string& path : paths) settle(path, !exists(path));
    }

    AppState& state_;
    const BatchEffects& effects_;
    const std::uint32_t mode_;
    const int column_;
    std::string moveDir_;
    DuplicateChecker checker_;
    std::unordered_set<std::string> gone_;  // disposed of, or on its way to the recycle bin
    std::vector<Pending> pending_;
    BatchOutcome outcome_;
};

}  // namespace

DuplicateChecker::DuplicateChecker() : bufferA_(kCheckBlock), bufferB_(kCheckBlock) {}

DuplicateCheck DuplicateChecker::check(const std::string& file, const std::string& partner) {
    platform::File a = platform::openForReading(file.c_str());
    if (!a.isOpen()) return DuplicateCheck::FileMissing;
    platform::File b = platform::openForReading(partner.c_str());
    if (!b.isOpen()) return DuplicateCheck::PartnerMissing;
    platform::FileIdentity identityA, identityB;
    if (platform::identityOf(a, identityA) && platform::identityOf(b, identityB) && identityA == identityB)
        return DuplicateCheck::SameFile;
    std::uint64_t sizeA = 0, sizeB = 0;
    if (!platform::fileSize(a, sizeA) || !platform::fileSize(b, sizeB)) return DuplicateCheck::Unreadable;
    if (sizeA != sizeB) return DuplicateCheck::SizeDiffers;
    for (std::uint64_t left = sizeA; left > 0;) {
        auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, kCheckBlock));
        if (platform::readFile(a, bufferA_.data(), count) != count ||
            platform::readFile(b, bufferB_.data(), count) != count)
            return DuplicateCheck::Unreadable;
        if (std::memcmp(bufferA_.data(), bufferB_.data(), count) != 0) return DuplicateCheck::ContentDiffers;
        left -= count;
    }
    // A file that grew since it was sized has more to say.
    if (platform::readFile(a, bufferA_.data(), 1) != 0 || platform::readFile(b, bufferB_.data(), 1) != 0)
        return DuplicateCheck::SizeDiffers;
    return DuplicateCheck::Identical;
}

BatchOutcome runBatchDelete(AppState& state, const BatchEffects& effects) { return BatchRun(state, effects).run(); }

std::string batchSummary(std::uint32_t batchDeleteMode, const std::string& moveDir, const BatchOutcome& outcome) {
    struct Verb {
        const char* done;
        const char* past;
    };
    const Verb verb = batchDeleteMode == batch_mode::kRecycle ? Verb{"Recycled", "recycled"}
                      : batchDeleteMode == batch_mode::kDelete ? Verb{"Deleted", "deleted"}
                                                                : Verb{"Moved", "moved"};
    std::string line = outcome.cancelled ? "Cancelled. " : "";
    line.append(verb.done).append(" ").append(plural(outcome.disposed, "file", "files"));
    if (batchDeleteMode == batch_mode::kMove && outcome.disposed > 0) line.append(" to ").append(moveDir);
    line += '.';
    struct Reason {
        std::uint32_t count;
        const char* why;
    };
    const Reason reasons[] = {
        {outcome.changed, " changed or missing since the search"},
        {outcome.lastCopy, " kept as the last copy"},
        {outcome.noMoveFolder, " not moved: no move folder chosen"},
    };
    if (outcome.skipped() > 0) {
        line.append(" Skipped ").append(text::unsignedDecimalText(outcome.skipped())).append(":");
        const char* separator = " ";
        for (const Reason& reason : reasons) {
            if (reason.count == 0) continue;
            line.append(separator).append(text::unsignedDecimalText(reason.count)).append(reason.why);
            separator = "; ";
        }
        line += '.';
    }
    if (outcome.failed > 0)
        line.append(" ").append(plural(outcome.failed, "file", "files")).append(" could not be ").append(verb.past).append(".");
    return line;
}

std::uint32_t filesWithFullScore(const ResultList& list, int column) {
    std::unordered_set<std::string_view> files;
    int row = 0;
    bool ended = false;
    // The views point into the list, which stays locked while they are used.
    list.forEachRow([&](const std::array<std::string_view, kColumnCount>& cells) {
        if (row++ == 0 || ended) return;
        if (cells[2].empty()) {
            ended = true;
            return;
        }
        if (text::decimalValue(cells[2]) == 100 && !cells[column].empty()) files.insert(cells[column]);
    });
    return static_cast<std::uint32_t>(files.size());
}

}  // namespace core
