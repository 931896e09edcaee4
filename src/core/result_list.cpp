#include "core/result_list.h"

#include <cstring>

#include "core/app_state.h"
#include "text/text.h"

namespace core {

std::array<ColumnSpec, kColumnCount> columnsFor(std::uint32_t searchMode) {
    if (searchMode == search_mode::kFile)
        return {{{"Position", 65}, {"Length", 65}, {"Details", 360}}};
    return {{{"File A", 230}, {"File B", 230}, {"%", 40}}};
}

// One heap block per row holding the three cells back to back: a File-mode
// run of millions of rows costs little more than its text.
struct ResultList::Row {
    std::unique_ptr<char[]> data;
    std::uint16_t length[kColumnCount] = {0, 0, 0};

    std::string_view cell(int column) const {
        std::size_t start = 0;
        for (int c = 0; c < column; ++c) start += length[c];
        return std::string_view(data ? data.get() + start : "", length[column]);
    }

    void setCell(int column, std::string_view value) {
        value = value.substr(0, text::kTextLimit);
        std::string_view cells[kColumnCount];
        for (int c = 0; c < kColumnCount; ++c) cells[c] = (c == column) ? value : cell(c);
        std::size_t total = 0;
        for (const auto& c : cells) total += c.size();
        auto fresh = total ? std::make_unique<char[]>(total) : nullptr;
        std::size_t at = 0;
        for (int c = 0; c < kColumnCount; ++c) {
            if (!cells[c].empty()) std::memcpy(fresh.get() + at, cells[c].data(), cells[c].size());
            at += cells[c].size();
        }
        for (int c = 0; c < kColumnCount; ++c) length[c] = static_cast<std::uint16_t>(cells[c].size());
        data = std::move(fresh);
    }
};

ResultList::ResultList() = default;
ResultList::~ResultList() = default;

void ResultList::notifyRowsChanged() const {
    if (observer_.rowsChanged) observer_.rowsChanged();
}

void ResultList::clearRows() {
    std::vector<Row> old;
    {
        std::lock_guard lock(mutex_);
        old.swap(rows_);
    }
    notifyRowsChanged();
}

int ResultList::insertRow(int row, std::string_view text) {
    Row fresh;
    fresh.setCell(0, text);
    int landed;
    {
        std::lock_guard lock(mutex_);
        int count = static_cast<int>(rows_.size());
        landed = (row < 0 || row > count) ? count : row;
        rows_.insert(rows_.begin() + landed, std::move(fresh));
    }
    notifyRowsChanged();
    return landed;
}

void ResultList::setCell(int row, int column, std::string_view text) {
    if (column < 0 || column >= kColumnCount) return;
    {
        std::lock_guard lock(mutex_);
        if (row < 0 || row >= static_cast<int>(rows_.size())) return;
        rows_[static_cast<std::size_t>(row)].setCell(column, text);
    }
    notifyRowsChanged();
}

void ResultList::deleteRow(int row) {
    {
        std::lock_guard lock(mutex_);
        if (row < 0 || row >= static_cast<int>(rows_.size())) return;
        rows_.erase(rows_.begin() + row);
    }
    notifyRowsChanged();
}

void ResultList::ensureVisible(int row) {
    if (observer_.scrollIntoView) observer_.scrollIntoView(row);
}

std::string ResultList::readCell(int row, int column) const {
    if (column < 0 || column >= kColumnCount) return {};
    std::lock_guard lock(mutex_);
    if (row < 0 || row >= static_cast<int>(rows_.size())) return {};
    return std::string(rows_[static_cast<std::size_t>(row)].cell(column));
}

int ResultList::rowCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(rows_.size());
}

int ResultList::focusedRow() const {
    return focusProvider_ ? focusProvider_() : -1;
}

void ResultList::setObserver(ListObserver observer) {
    observer_ = std::move(observer);
}

void ResultList::setFocusProvider(std::function<int()> provider) {
    focusProvider_ = std::move(provider);
}

std::vector<std::array<std::string, kColumnCount>> ResultList::snapshot() const {
    std::lock_guard lock(mutex_);
    std::vector<std::array<std::string, kColumnCount>> result;
    result.reserve(rows_.size());
    for (const Row& row : rows_)
        result.push_back({std::string(row.cell(0)), std::string(row.cell(1)), std::string(row.cell(2))});
    return result;
}

bool removeFocusedRow(ResultList& list, std::atomic<std::uint32_t>& pairCount) {
    std::uint32_t pairs = pairCount.load();
    if (pairs == 0) return false;
    int row = list.focusedRow();
    if (row <= 0) return false;  // the "Start" row, or no focus
    if (static_cast<std::uint32_t>(row - 1) == pairs) return false;  // the last row
    list.deleteRow(row);
    pairCount.store(pairs - 1);
    return true;
}

}  // namespace core
