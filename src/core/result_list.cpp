#include "core/result_list.h"

#include <cstring>

#include "core/app_state.h"

namespace core {

std::array<ColumnSpec, kColumnCount> columnsFor(std::uint32_t searchMode) {
    if (searchMode == search_mode::kFile)
        return {{{"Position", 65}, {"Length", 65}, {"Details", 360}}};
    return {{{"File A", 230}, {"File B", 230}, {"%", 40}}};
}

// The cell texts live in large blocks, written one after the other: a
// File-mode run of millions of rows costs its text and one small record per
// row, and writing a cell touches the heap only when a block is full. A cell
// rewritten with a text no longer than before keeps its place; the blocks
// are given back all at once by clearRows.
class ResultList::TextPool {
public:
    char* store(std::string_view text) {
        if (text.empty()) return nullptr;
        if (text.size() > kBlock / 4) {
            // A long path gets a block of its own; the shared one goes on.
            large_.push_back(std::make_unique_for_overwrite<char[]>(text.size()));
            std::memcpy(large_.back().get(), text.data(), text.size());
            return large_.back().get();
        }
        if (blocks_.empty() || kBlock - used_ < text.size()) {
            blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBlock));
            used_ = 0;
        }
        char* at = blocks_.back().get() + used_;
        std::memcpy(at, text.data(), text.size());
        used_ += text.size();
        return at;
    }

private:
    static constexpr std::size_t kBlock = 1 << 20;
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::vector<std::unique_ptr<char[]>> large_;
    std::size_t used_ = 0;
};

std::string_view ResultList::Row::cell(int column) const {
    std::size_t length = this->length[column];
    return length ? std::string_view(text[column], length) : std::string_view();
}

ResultList::ResultList() : pool_(std::make_unique<TextPool>()) {}
ResultList::~ResultList() = default;

void ResultList::notifyRowsChanged() const {
    if (observer_.rowsChanged) observer_.rowsChanged();
}

void ResultList::clearRows() {
    std::deque<Row> oldRows;
    auto oldPool = std::make_unique<TextPool>();
    {
        std::lock_guard lock(mutex_);
        oldRows.swap(rows_);
        oldPool.swap(pool_);
    }
    notifyRowsChanged();
}

int ResultList::insertRow(int row, std::string_view text) {
    return insertRow(row, {text, {}, {}});
}

int ResultList::insertRow(int row, const std::array<std::string_view, kColumnCount>& cells) {
    int landed;
    {
        std::lock_guard lock(mutex_);
        Row fresh;
        for (int column = 0; column < kColumnCount; ++column) storeCell(fresh, column, cells[column]);
        int count = static_cast<int>(rows_.size());
        landed = (row < 0 || row > count) ? count : row;
        rows_.insert(rows_.begin() + landed, fresh);
    }
    notifyRowsChanged();
    return landed;
}

// A text no longer than the cell's keeps its place in the pool.
void ResultList::storeCell(Row& target, int column, std::string_view text) {
    if (text.size() <= target.length[column] && !text.empty())
        std::memcpy(target.text[column], text.data(), text.size());
    else
        target.text[column] = pool_->store(text);
    target.length[column] = static_cast<std::uint32_t>(text.size());
}

void ResultList::setCell(int row, int column, std::string_view text) {
    if (column < 0 || column >= kColumnCount) return;
    {
        std::lock_guard lock(mutex_);
        if (row < 0 || row >= static_cast<int>(rows_.size())) return;
        storeCell(rows_[static_cast<std::size_t>(row)], column, text);
    }
    notifyRowsChanged();
}

void ResultList::setRow(int row, const std::array<std::string_view, kColumnCount>& cells) {
    {
        std::lock_guard lock(mutex_);
        if (row < 0 || row >= static_cast<int>(rows_.size())) return;
        for (int column = 0; column < kColumnCount; ++column)
            storeCell(rows_[static_cast<std::size_t>(row)], column, cells[column]);
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

void ResultList::deleteRows(const std::vector<int>& rows) {
    if (rows.empty()) return;
    {
        std::lock_guard lock(mutex_);
        std::size_t kept = static_cast<std::size_t>(rows.front()), next = 0;
        for (std::size_t at = kept; at < rows_.size(); ++at) {
            if (next < rows.size() && static_cast<std::size_t>(rows[next]) == at) {
                ++next;
                continue;
            }
            rows_[kept++] = rows_[at];
        }
        rows_.resize(kept);
    }
    notifyRowsChanged();
}

void ResultList::reorderRows(int first, const std::vector<std::uint32_t>& order) {
    {
        std::lock_guard lock(mutex_);
        const std::size_t count = order.size();
        if (first < 0 || static_cast<std::size_t>(first) + count > rows_.size()) return;
        std::vector<bool> taken(count, false);
        for (std::uint32_t from : order) {
            if (from >= count || taken[from]) return;
            taken[from] = true;
        }
        const auto begin = rows_.begin() + first;
        std::vector<Row> moved(begin, begin + static_cast<std::ptrdiff_t>(count));
        for (std::size_t k = 0; k < count; ++k) begin[static_cast<std::ptrdiff_t>(k)] = moved[order[k]];
    }
    reorders_.fetch_add(1);
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

std::array<std::string, kColumnCount> ResultList::readRow(int row) const {
    std::lock_guard lock(mutex_);
    if (row < 0 || row >= static_cast<int>(rows_.size())) return {};
    const Row& r = rows_[static_cast<std::size_t>(row)];
    return {std::string(r.cell(0)), std::string(r.cell(1)), std::string(r.cell(2))};
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

void ResultList::forEachRow(const RowVisitor& visit) const {
    std::lock_guard lock(mutex_);
    for (const Row& row : rows_) visit({row.cell(0), row.cell(1), row.cell(2)});
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
