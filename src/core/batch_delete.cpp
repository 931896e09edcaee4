#include "core/batch_delete.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <tuple>
#include <unordered_set>

#include "text/text.h"

namespace core {
namespace {

constexpr std::size_t kCheckBlock = 1 << 20;

struct ByIdentity {
    bool operator()(const platform::FileIdentity& a, const platform::FileIdentity& b) const {
        return std::tie(a.volume, a.fileId) < std::tie(b.volume, b.fileId);
    }
};
using IdentitySet = std::set<platform::FileIdentity, ByIdentity>;

std::optional<platform::FileIdentity> identityAt(const std::string& path) {
    platform::FileIdentity identity;
    if (!platform::identityOfPath(path.c_str(), identity)) return std::nullopt;
    return identity;
}

std::string plural(std::uint32_t count, const char* one, const char* many) {
    return text::unsignedDecimalText(count) + " " + (count == 1 ? one : many);
}

class BatchRun {
public:
    BatchRun(ResultList& rows, std::atomic<std::uint32_t>& runState, const BatchRequest& request,
             const BatchEffects& effects)
        : rows_(rows), runState_(runState), effects_(effects), mode_(request.mode), column_(request.column) {
        if (!request.moveDir.empty()) moveDir_ = text::withTrailingBackslash(request.moveDir, platform::kPathSeparator);
    }

    BatchOutcome run() {
        if (effects_.atStart) effects_.atStart();
        for (int row = 1;; ++row) {
            // A Cancel given before this row (even before the worker began)
            // keeps every file from here on; what was collected for the
            // recycle bin since the last hand-over stays too.
            if (cancelled()) break;
            // The row's cells as they stood at one moment.
            const std::array<std::string, kColumnCount> cells = rows_.readRow(row);
            bool more = !cells[2].empty();  // the last row's score cell is empty
            if (more && text::decimalValue(cells[2]) == 100) handleRow(cells[column_], cells[1 - column_]);
            if (mode_ == batch_mode::kRecycle && (!more || pending_.size() >= kRecycleBatch)) handOver();
            if (!more) break;
        }
        pending_.clear();
        show(batchSummary(mode_, moveDir_, outcome_));
        if (effects_.finished) effects_.finished(outcome_);
        // Back to idle only from a state this batch set or was asked to
        // leave: a state that another thread set is not overwritten.
        std::uint32_t expected = run_state::kBatchRunning;
        if (!runState_.compare_exchange_strong(expected, run_state::kIdle) && expected == run_state::kBatchCancel)
            runState_.compare_exchange_strong(expected, run_state::kIdle);
        return outcome_;
    }

private:
    struct Pending {
        std::string path, partner;
        CheckedPair held;
    };

    void show(const std::string& line) const {
        if (effects_.showProgress) effects_.showProgress(line);
    }

    // Asked just before any file goes, so none goes after the Cancel.
    bool cancelled() {
        if (runState_.load() == run_state::kBatchCancel) outcome_.cancelled = true;
        return outcome_.cancelled;
    }

    void handleRow(const std::string& path, const std::string& partner) {
        if (path.empty()) return;
        show(path);
        if (mode_ == batch_mode::kMove && moveDir_.empty()) {
            ++outcome_.noMoveFolder;
            return;
        }
        CheckedPair held;
        // A file on its way already, or whose partner is, needs no reading.
        const DuplicateChecker::Decided decided = [this](const platform::FileIdentity& file,
                                                         const platform::FileIdentity& other) {
            return gone_.count(file) || gone_.count(other);
        };
        DuplicateCheck check = checker_.check(path, partner, held, decided);
        // The hold on a partner waiting for the recycle bin keeps that very
        // file from going there: those waiting go first.
        if ((check == DuplicateCheck::Unreadable || check == DuplicateCheck::InUse) && isHeldPartner(path)) {
            if (isGone(partner)) {
                ++outcome_.lastCopy;
                return;
            }
            handOver();
            if (cancelled()) return;  // nothing more goes: the files need no reading
            check = checker_.check(path, partner, held, decided);
        }
        if (check == DuplicateCheck::Identical || check == DuplicateCheck::AlreadyDecided) {
            disposeUnlessGone(path, partner, std::move(held));
            return;
        }
        // Files on their way already may not open to be checked: they are
        // known by what they are, not by the path that reached them. Files
        // gone already no longer have one; their paths only name the reason.
        if (isGone(path) || disposedPaths_.count(path)) return;  // through an earlier row
        if (check == DuplicateCheck::SameFile || isGone(partner) || disposedPaths_.count(partner))
            ++outcome_.lastCopy;
        else if (check == DuplicateCheck::InUse)
            fail(platform::DisposalFault::InUse);
        else
            ++outcome_.changed;
    }

    void fail(platform::DisposalFault fault) {
        ++outcome_.failed;
        ++outcome_.notDone[static_cast<std::size_t>(fault)];
    }

    // Decided on the identities of the files as opened, which no path can
    // have changed since.
    void disposeUnlessGone(const std::string& path, const std::string& partner, CheckedPair held) {
        if (gone_.count(held.fileStamp.identity)) return;  // on its way already, through an earlier row
        if (gone_.count(held.partnerStamp.identity)) {
            ++outcome_.lastCopy;
            return;
        }
        if (effects_.afterCheck) effects_.afterCheck(path, partner);
        dispose(path, partner, std::move(held));
    }

    bool isGone(const std::string& path) const {
        std::optional<platform::FileIdentity> identity = identityAt(path);
        return identity && gone_.count(*identity);
    }

    bool isHeldPartner(const std::string& path) const {
        std::optional<platform::FileIdentity> identity = identityAt(path);
        return identity && heldPartners_.count(*identity);
    }

    void dispose(const std::string& path, const std::string& partner, CheckedPair held) {
        if (cancelled()) return;
        if (mode_ == batch_mode::kLink) {
            replaceWithLink(path, partner, held);
            return;
        }
        const platform::FileIdentity identity = held.fileStamp.identity;
        gone_.insert(identity);
        if (mode_ == batch_mode::kRecycle) {
            heldPartners_.insert(held.partnerStamp.identity);
            pending_.push_back({path, partner, std::move(held)});
            return;  // counted at the hand-over
        }
        if (!unchangedSinceCheck(held, path, partner)) {
            ++outcome_.changed;
            gone_.erase(identity);
            return;
        }
        if (mode_ == batch_mode::kDelete) {
            settle(path, identity, platform::deleteOpenFile(held.file));
            return;
        }
        move(path, held);
    }

    void move(const std::string& path, CheckedPair& held) {
        const platform::FileIdentity identity = held.fileStamp.identity;
        const std::string target = moveDir_ + text::fileNameOf(path, platform::kPathSeparator);
        if (identityAt(target) == identity) {
            ++outcome_.alreadyThere;
            gone_.erase(identity);
            return;
        }
        platform::DisposalFault fault = platform::moveOpenFile(held.file, target.c_str());
        platform::FileStamp moved;
        const bool whole = platform::stampOfPath(target.c_str(), moved) && moved.size == held.fileStamp.size;
        if (fault == platform::DisposalFault::None && !whole) fault = platform::DisposalFault::Other;
        settle(path, identity, fault);
    }

    // No data goes, only a name of one copy: nothing is recorded as gone.
    // A path replaced before may be replaced again, by a link to the file
    // its new partner names, so that a group ends as one file.
    void replaceWithLink(const std::string& path, const std::string& partner, CheckedPair& held) {
        std::optional<platform::DisposalFault> fault = linkCheckedFile(path, partner, held);
        if (!fault) {
            ++outcome_.changed;
        } else if (*fault != platform::DisposalFault::None) {
            fail(*fault);
        } else if (disposedPaths_.insert(path).second) {
            ++outcome_.disposed;
        }
    }

    // A file counts as gone only when it is no longer at its path (and, for
    // a move, is at the target whole), whatever the system reported.
    void settle(const std::string& path, const platform::FileIdentity& identity, platform::DisposalFault fault) {
        if (fault == platform::DisposalFault::None && !stillAt(path, identity)) {
            ++outcome_.disposed;
            disposedPaths_.insert(path);
            return;
        }
        fail(fault == platform::DisposalFault::None ? platform::DisposalFault::Other : fault);
        gone_.erase(identity);
    }

    // The collected files go to the recycle bin in one call, less those
    // that changed after their check; their holds go once the call is done.
    void handOver() {
        if (cancelled()) return;
        std::vector<Pending> ready;
        std::vector<std::string> paths;
        for (Pending& p : pending_) {
            if (unchangedSinceCheck(p.held, p.path, p.partner)) {
                paths.push_back(p.path);
                ready.push_back(std::move(p));
            } else {
                ++outcome_.changed;
                gone_.erase(p.held.fileStamp.identity);
            }
        }
        pending_.clear();
        heldPartners_.clear();
        if (!paths.empty() && effects_.recycle) effects_.recycle(paths);
        for (Pending& p : ready) {
            const platform::FileIdentity identity = p.held.fileStamp.identity;
            p.held = CheckedPair{};
            settle(p.path, identity, platform::DisposalFault::None);
        }
    }

    ResultList& rows_;
    std::atomic<std::uint32_t>& runState_;
    const BatchEffects& effects_;
    const std::uint32_t mode_;
    const int column_;
    std::string moveDir_;
    DuplicateChecker checker_;
    IdentitySet gone_;          // disposed of, or on its way to the recycle bin
    IdentitySet heldPartners_;  // partners of the files waiting for the recycle bin
    std::unordered_set<std::string> disposedPaths_;
    std::vector<Pending> pending_;
    BatchOutcome outcome_;
};

bool inUse(const platform::File& file) { return file.fault() == platform::IoFault::InUse; }

DuplicateCheck compareOpenFiles(platform::File& a, platform::File& b, std::vector<std::uint8_t>& bufferA,
                                std::vector<std::uint8_t>& bufferB, std::uint64_t size) {
    for (std::uint64_t left = size; left > 0;) {
        auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, bufferA.size()));
        if (platform::readFile(a, bufferA.data(), count) != count || platform::readFile(b, bufferB.data(), count) != count)
            return inUse(a) || inUse(b) ? DuplicateCheck::InUse : DuplicateCheck::Unreadable;
        if (std::memcmp(bufferA.data(), bufferB.data(), count) != 0) return DuplicateCheck::ContentDiffers;
        left -= count;
    }
    // A file that grew since it was sized has more to say.
    if (platform::readFile(a, bufferA.data(), 1) != 0 || platform::readFile(b, bufferB.data(), 1) != 0)
        return DuplicateCheck::SizeDiffers;
    return DuplicateCheck::Identical;
}

}  // namespace

DuplicateChecker::DuplicateChecker() : bufferA_(kCheckBlock), bufferB_(kCheckBlock) {}

DuplicateCheck DuplicateChecker::check(const std::string& file, const std::string& partner) {
    CheckedPair held;
    return check(file, partner, held);
}

DuplicateCheck DuplicateChecker::check(const std::string& file, const std::string& partner, CheckedPair& held,
                                       const Decided& decided) {
    platform::File a = platform::openForDisposal(file.c_str());
    // A file that is there but will not open (held by another program, or
    // by us as a partner) is no missing file.
    if (!a.isOpen()) {
        if (inUse(a)) return DuplicateCheck::InUse;
        return identityAt(file) ? DuplicateCheck::Unreadable : DuplicateCheck::FileMissing;
    }
    platform::FileStamp stampA, stampB;
    if (!platform::stampOf(a, stampA)) return DuplicateCheck::Unreadable;
    platform::File b = platform::openForReading(partner.c_str());
    // The partner may be the file itself, which its open for disposal then
    // keeps from opening: its path tells.
    if (!b.isOpen()) {
        if (identityAt(partner) == stampA.identity) return DuplicateCheck::SameFile;
        return inUse(b) ? DuplicateCheck::InUse : DuplicateCheck::PartnerMissing;
    }
    if (!platform::stampOf(b, stampB)) return DuplicateCheck::Unreadable;
    if (stampA.identity == stampB.identity) return DuplicateCheck::SameFile;
    if (decided && decided(stampA.identity, stampB.identity)) {
        held = CheckedPair{{}, {}, stampA, stampB};
        return DuplicateCheck::AlreadyDecided;
    }
    if (stampA.size != stampB.size) return DuplicateCheck::SizeDiffers;
    DuplicateCheck result = compareOpenFiles(a, b, bufferA_, bufferB_, stampA.size);
    if (result != DuplicateCheck::Identical) return result;
    // Written to while it was read: what was read proves nothing.
    platform::FileStamp afterA, afterB;
    if (!platform::stampOf(a, afterA) || !platform::stampOf(b, afterB) || afterA != stampA || afterB != stampB)
        return DuplicateCheck::ContentDiffers;
    held = CheckedPair{std::move(a), std::move(b), stampA, stampB};
    return DuplicateCheck::Identical;
}

bool unchangedSinceCheck(const CheckedPair& held, const std::string& file, const std::string& partner) {
    return platform::stillStamped(file.c_str(), held.fileStamp) &&
           platform::stillStamped(partner.c_str(), held.partnerStamp);
}

bool stillAt(const std::string& path, const platform::FileIdentity& identity) {
    return identityAt(path) == identity;
}

std::optional<std::string> lastCopyWarning(DuplicateCheck check) {
    switch (check) {
        case DuplicateCheck::Identical:
        case DuplicateCheck::AlreadyDecided:
        case DuplicateCheck::FileMissing: return std::nullopt;
        case DuplicateCheck::PartnerMissing:
            return "The other file of this pair is no longer where the search found it. "
                   "This file may be the last copy of its content.";
        case DuplicateCheck::SameFile:
            return "Both names of this pair now lead to one and the same file. Recycling it leaves no copy.";
        case DuplicateCheck::SizeDiffers:
        case DuplicateCheck::ContentDiffers:
            return "The other file of this pair has changed since the search. "
                   "This file may be the last copy of its content.";
        case DuplicateCheck::Unreadable:
            return "The two files of this pair could not be read to their end to compare them. "
                   "This file may be the last copy of its content.";
        case DuplicateCheck::InUse:
            return "One of the two files of this pair is in use by another program, so they could not be "
                   "compared. This file may be the last copy of its content.";
    }
    return std::nullopt;
}

std::optional<platform::DisposalFault> linkCheckedFile(const std::string& file, const std::string& partner,
                                                       CheckedPair& held) {
    if (!unchangedSinceCheck(held, file, partner)) return std::nullopt;
    const platform::FileIdentity target = held.partnerStamp.identity;
    platform::DisposalFault fault = platform::replaceWithLink(held.file, held.partner, partner.c_str());
    // Replaced only when the path now names the partner, whatever the system reported.
    if (fault == platform::DisposalFault::None && !stillAt(file, target)) return platform::DisposalFault::Other;
    return fault;
}

std::string linkOneFile(const std::string& file, const std::string& partner) {
    CheckedPair held;
    const DuplicateCheck check = DuplicateChecker().check(file, partner, held);
    if (check != DuplicateCheck::Identical) return whyNotLinked(check);
    std::optional<platform::DisposalFault> fault = linkCheckedFile(file, partner, held);
    if (!fault) return whyNotLinked(DuplicateCheck::ContentDiffers);
    return *fault == platform::DisposalFault::None ? std::string() : whyNotDisposed(*fault);
}

const char* whyNotDisposed(platform::DisposalFault fault) {
    using platform::DisposalFault;
    switch (fault) {
        case DisposalFault::InUse: return "in use";
        case DisposalFault::ReadOnly: return "read-only";
        case DisposalFault::FolderReadOnly: return "where a folder is read-only";
        case DisposalFault::NameTaken: return "whose name is taken in the move folder";
        case DisposalFault::FolderFull: return "with no room left in the move folder";
        case DisposalFault::OtherVolume: return "on another volume than its partner";
        case DisposalFault::NoHardLinks: return "on a file system without hard links";
        case DisposalFault::LinkLimit: return "at its partner's link limit";
        case DisposalFault::None:
        case DisposalFault::Other: break;
    }
    return "refused by the system";
}

std::string whyNotLinked(DuplicateCheck check) {
    switch (check) {
        case DuplicateCheck::FileMissing: return "it is no longer where the search found it";
        case DuplicateCheck::PartnerMissing: return "the other file is no longer where the search found it";
        case DuplicateCheck::SameFile: return "both names already lead to one and the same file";
        case DuplicateCheck::SizeDiffers:
        case DuplicateCheck::ContentDiffers: return "the two files are no longer the same";
        case DuplicateCheck::Unreadable: return "the two files could not be read to their end";
        case DuplicateCheck::InUse: return "in use";
        case DuplicateCheck::Identical:
        case DuplicateCheck::AlreadyDecided: break;
    }
    return "";
}

bool mayDisposeOfColumn(const AppState& state, int column) { return column == 0 || !state.referenceInList; }

std::optional<BatchRequest> requestedBatch(const AppState& state) {
    const std::uint32_t asked = state.runState.load();
    if (asked != run_state::kBatchColumnA && asked != run_state::kBatchColumnB) return std::nullopt;
    const int column = static_cast<int>(asked - run_state::kBatchColumnA);
    if (!mayDisposeOfColumn(state, column)) return std::nullopt;
    return BatchRequest{column, state.settings.batchDeleteMode,
                        fieldText(state.settings.moveDir, sizeof state.settings.moveDir)};
}

bool beginBatch(AppState& state, const BatchRequest& request) {
    std::uint32_t asked = run_state::kBatchColumnA + static_cast<std::uint32_t>(request.column);
    return state.runState.compare_exchange_strong(asked, run_state::kBatchRunning);
}

bool cancelBatch(AppState& state) {
    std::uint32_t now = run_state::kBatchRunning;
    if (state.runState.compare_exchange_strong(now, run_state::kBatchCancel)) return false;
    // A second Cancel while the worker finishes its row changes nothing:
    // going to idle here would let the worker believe nothing was asked.
    if (now == run_state::kBatchCancel) return false;
    // Not started (1020, 1021) or over (0): the batch is off.
    if (now == run_state::kBatchColumnA || now == run_state::kBatchColumnB)
        state.runState.compare_exchange_strong(now, run_state::kIdle);
    return true;
}

BatchOutcome runBatchDelete(ResultList& rows, std::atomic<std::uint32_t>& runState, const BatchRequest& request,
                            const BatchEffects& effects) {
    return BatchRun(rows, runState, request, effects).run();
}

std::string batchSummary(std::uint32_t batchDeleteMode, const std::string& moveDir, const BatchOutcome& outcome) {
    struct Verb {
        const char* done;
        const char* past;
    };
    const Verb verb = batchDeleteMode == batch_mode::kRecycle ? Verb{"Recycled", "recycled"}
                      : batchDeleteMode == batch_mode::kDelete ? Verb{"Deleted", "deleted"}
                      : batchDeleteMode == batch_mode::kLink   ? Verb{"Replaced", "replaced"}
                                                                : Verb{"Moved", "moved"};
    std::string line = outcome.cancelled ? "Cancelled. " : "";
    line.append(verb.done).append(" ").append(plural(outcome.disposed, "file", "files"));
    if (batchDeleteMode == batch_mode::kMove && outcome.disposed > 0) line.append(" to ").append(moveDir);
    if (batchDeleteMode == batch_mode::kLink)
        line.append(outcome.disposed == 1 ? " with a link to its partner" : " with links to their partners");
    line += '.';
    struct Reason {
        std::uint32_t count;
        const char* why;
    };
    // Appends " N why; M why." for the reasons that counted.
    auto appendReasons = [&line](const std::vector<Reason>& reasons) {
        const char* separator = " ";
        for (const Reason& reason : reasons) {
            if (reason.count == 0) continue;
            line.append(separator).append(text::unsignedDecimalText(reason.count)).append(" ").append(reason.why);
            separator = "; ";
        }
        line += '.';
    };
    if (outcome.skipped() > 0) {
        line.append(" Skipped ").append(text::unsignedDecimalText(outcome.skipped())).append(":");
        appendReasons({
            {outcome.changed, "changed or missing since the search"},
            {outcome.lastCopy, "kept as the last copy"},
            {outcome.alreadyThere, "already in the move folder"},
            {outcome.noMoveFolder, "not moved: no move folder chosen"},
        });
    }
    if (outcome.failed == 0) return line;
    line.append(" ").append(plural(outcome.failed, "file", "files")).append(" could not be ").append(verb.past);
    line += ':';
    std::vector<Reason> notDone;
    for (std::size_t fault = 1; fault < platform::kDisposalFaultCount; ++fault)
        notDone.push_back({outcome.notDone[fault], whyNotDisposed(static_cast<platform::DisposalFault>(fault))});
    appendReasons(notDone);
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
