#include "search/candidates.h"

#include <algorithm>

#include "compare/score.h"

namespace search {
namespace {

constexpr std::uint64_t kRefusedFrom = std::uint64_t{1} << 32;

// With a reference folder a group needs files of both: its members come in
// index order, the searched ones first.
bool holdsBothFolders(const Index& index, const std::vector<std::uint32_t>& members) {
    return !index.hasReference || index.mayPair(members.front(), members.back());
}

// Listable entries by size, each size in index order. The keys are sorted
// apart from the entries: a million entries sort in a tenth of the time.
std::vector<std::uint32_t> bySizeThenIndex(const Index& index, const Candidates& c) {
    std::vector<std::pair<std::uint64_t, std::uint32_t>> keys;
    for (std::uint32_t e = 0; e < index.entries.size(); ++e)
        if (c.listable[e]) keys.emplace_back(index.entries[e].listedSize, e);
    std::sort(keys.begin(), keys.end());
    std::vector<std::uint32_t> order(keys.size());
    for (std::size_t k = 0; k < keys.size(); ++k) order[k] = keys[k].second;
    return order;
}

void formGroups(const Index& index, const std::vector<std::uint32_t>& order, Candidates& c) {
    auto sizeOf = [&](std::uint32_t e) { return index.entries[e].listedSize; };
    for (std::size_t from = 0, to = 0; from < order.size(); from = to) {
        while (to < order.size() && sizeOf(order[to]) == sizeOf(order[from])) ++to;
        if (to - from < 2) continue;
        std::vector<std::uint32_t> members(order.begin() + static_cast<std::ptrdiff_t>(from),
                                           order.begin() + static_cast<std::ptrdiff_t>(to));
        if (!holdsBothFolders(index, members)) continue;
        auto id = static_cast<std::uint32_t>(c.groups.size());
        c.groups.push_back(std::move(members));
        for (std::uint32_t k = 0; k < to - from; ++k) {
            c.groupOf[order[from + k]] = id;
            c.positionInGroup[order[from + k]] = k;
        }
    }
}

void laterInWindow(const Candidates& c, const Index& index, std::uint32_t i, std::vector<std::uint32_t>& out) {
    const std::uint64_t size = index.entries[i].listedSize;
    SizeWindow window = sizeWindow(size, c.matchPercent);
    auto sizeOf = [&](std::uint32_t e) { return index.entries[e].listedSize; };
    auto first = std::lower_bound(c.bySize.begin(), c.bySize.end(), window.low,
                                  [&](std::uint32_t e, std::uint64_t s) { return sizeOf(e) < s; });
    for (auto it = first; it != c.bySize.end() && sizeOf(*it) <= window.high; ++it) {
        if (*it > i && index.mayPair(i, *it) && bestScoreForSizes(size, sizeOf(*it)) >= c.matchPercent)
            out.push_back(*it);
    }
    std::sort(out.begin(), out.end());
}

}  // namespace

bool isListableSize(std::uint64_t size, std::uint32_t matchPercent) {
    if (size >= kRefusedFrom) return false;
    return matchPercent == 0 || size != 0;
}

std::uint32_t bestScoreForSizes(std::uint64_t sizeA, std::uint64_t sizeB) {
    auto larger = static_cast<std::uint32_t>(std::max(sizeA, sizeB));
    auto smaller = static_cast<std::uint32_t>(std::min(sizeA, sizeB));
    return compare::similarityPercent(larger, larger - smaller);
}

SizeWindow sizeWindow(std::uint64_t size, std::uint32_t matchPercent) {
    // Worked out from the score's two branches. Up to 50,000 bytes it is exact:
    // smaller * 100 >= matchPercent * larger. Above, both sizes count in KiB and
    // the common part can count one KiB more than smaller / 1024, which the
    // KiB of slack on each side covers.
    constexpr std::uint64_t kExactUpTo = 50'000;
    const std::uint64_t m = matchPercent;
    SizeWindow window;
    if (size <= kExactUpTo) {
        window.low = (size * m + 99) / 100;
    } else {
        std::uint64_t scaledDown = size * m / 100;
        window.low = scaledDown > 2048 ? scaledDown - 2048 : 0;
    }
    std::uint64_t highInKiB = (size + 1024) * 100 / m + 1024;
    window.high = highInKiB > kExactUpTo ? highInKiB : size * 100 / m;
    return window;
}

Candidates groupCandidates(const Index& index, std::uint32_t searchMode, std::uint32_t matchPercent) {
    Candidates c;
    const std::size_t n = index.entries.size();
    c.directory = searchMode != core::search_mode::kQuickDir;
    c.matchPercent = matchPercent;
    c.listable.resize(n);
    for (std::size_t e = 0; e < n; ++e) c.listable[e] = isListableSize(index.entries[e].listedSize, matchPercent);
    c.groupOf.assign(n, kNoGroup);
    c.positionInGroup.assign(n, 0);
    std::vector<std::uint32_t> order = bySizeThenIndex(index, c);
    formGroups(index, order, c);
    if (c.directory && matchPercent != 0) c.bySize = std::move(order);
    return c;
}

void laterCandidates(const Candidates& c, const Index& index, std::uint32_t i, std::vector<std::uint32_t>& out) {
    out.clear();
    if (!c.listable[i] || index.isReference(i)) return;
    if (c.directory && c.matchPercent == 0) {
        // Every pair is listed at 0, whatever its score.
        for (auto j = index.hasReference ? index.firstReference : i + 1; j < index.entries.size(); ++j)
            if (c.listable[j]) out.push_back(j);
        return;
    }
    if (c.directory) {
        laterInWindow(c, index, i, out);
        return;
    }
    if (c.groupOf[i] == kNoGroup) return;
    const auto& members = c.groups[c.groupOf[i]];
    for (auto it = members.begin() + c.positionInGroup[i] + 1; it != members.end(); ++it)
        if (index.mayPair(i, *it)) out.push_back(*it);
}

WindowPartners::WindowPartners(const Index& index, const std::vector<std::uint32_t>& order)
    : index_(index), order_(order) {
    if (!index.hasReference) return;
    referencesBefore_.assign(order.size() + 1, 0);
    for (std::size_t k = 0; k < order.size(); ++k)
        referencesBefore_[k + 1] = referencesBefore_[k] + (index.isReference(order[k]) ? 1 : 0);
}

std::uint64_t WindowPartners::count(std::size_t k, std::size_t end) const {
    const std::uint64_t all = end - k - 1;
    if (!index_.hasReference) return all;
    const std::uint64_t references = referencesBefore_[end] - referencesBefore_[k + 1];
    return index_.isReference(order_[k]) ? all - references : references;
}

PartnerSizes::PartnerSizes(const Index& index, std::uint32_t searchMode, std::uint32_t matchPercent)
    : matchPercent_(matchPercent) {
    const bool directory = searchMode != core::search_mode::kQuickDir;
    bool anyListable = false;
    for (const IndexEntry& entry : index.entries) {
        if (!isListableSize(entry.listedSize, matchPercent)) continue;
        anyListable = true;
        // At 0 every pair of Directory mode is listed, whatever the sizes.
        if (directory && matchPercent != 0)
            ranges_.push_back(sizeWindow(entry.listedSize, matchPercent));
        else if (!directory)
            ranges_.push_back({entry.listedSize, entry.listedSize});
    }
    std::sort(ranges_.begin(), ranges_.end(), [](const SizeWindow& a, const SizeWindow& b) { return a.low < b.low; });
    std::vector<SizeWindow> merged;
    for (const SizeWindow& range : ranges_) {
        if (!merged.empty() && range.low <= merged.back().high + 1)
            merged.back().high = std::max(merged.back().high, range.high);
        else
            merged.push_back(range);
    }
    ranges_ = std::move(merged);
    if (directory && matchPercent == 0 && anyListable) ranges_.push_back({0, kRefusedFrom - 1});
}

bool PartnerSizes::admits(std::uint64_t size) const {
    if (!isListableSize(size, matchPercent_)) return false;
    auto after = std::upper_bound(ranges_.begin(), ranges_.end(), size,
                                  [](std::uint64_t s, const SizeWindow& range) { return s < range.low; });
    return after != ranges_.begin() && size <= std::prev(after)->high;
}

}  // namespace search
