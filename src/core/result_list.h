// The result list as a model: rows of three text cells, safe to call from a
// worker while the window thread reads it. A view (the Win32 list in virtual
// mode) draws from it and is told of changes through the observer.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace core {

constexpr int kColumnCount = 3;

struct ColumnSpec {
    const char* caption;
    int width;
};
// The column set of a search mode: File mode "Position", "Length", "Details";
// the folder modes "File A", "File B", "%".
std::array<ColumnSpec, kColumnCount> columnsFor(std::uint32_t searchMode);

// What the view is told. Called without the list's lock held, on the thread
// that changed the list; a view posts itself a message and coalesces.
struct ListObserver {
    std::function<void()> rowsChanged;             // count or cells changed
    std::function<void(int row)> scrollIntoView;   // ensureVisible
};

class ResultList {
public:
    ResultList();
    ~ResultList();
    ResultList(const ResultList&) = delete;
    ResultList& operator=(const ResultList&) = delete;

    void clearRows();
    // Inserts before `row` with `text` in column 0 and empty columns 1 and 2;
    // an index beyond the last row (or negative) appends. Returns the index
    // where the row landed.
    int insertRow(int row, std::string_view text);
    // The same with all three cells at once: no reader sees the row half
    // written, and the view is told once.
    int insertRow(int row, const std::array<std::string_view, kColumnCount>& cells);
    // Columns 1 and 2 (column 0 too, for completeness); no effect when the row
    // does not exist.
    void setCell(int row, int column, std::string_view text);
    // All three cells of an existing row at once, so no reader sees it half
    // rewritten; no effect when the row does not exist.
    void setRow(int row, const std::array<std::string_view, kColumnCount>& cells);
    void deleteRow(int row);
    // Deletes the rows at the given indexes (sorted, no repeats, all within
    // the list) in one pass and one change; the rows below close up.
    void deleteRows(const std::vector<int>& rows);
    // Puts rows first .. first + order.size() - 1 in a new order, as one
    // change: the row at first + k takes the cells of the row that was at
    // first + order[k]. `order` must be a permutation of 0 .. size - 1 within
    // the rows; otherwise nothing changes. Cells are not copied.
    void reorderRows(int first, const std::vector<std::uint32_t>& order);
    // How many times rows were put in a new order (so a view can tell that
    // a row index now names other cells); counted before the notice.
    std::uint64_t reorderCount() const { return reorders_.load(); }
    void ensureVisible(int row);
    // The cell, whole; empty when the row does not exist.
    std::string readCell(int row, int column) const;
    // The three cells of a row read at one moment; empty when it does not exist.
    std::array<std::string, kColumnCount> readRow(int row) const;
    int rowCount() const;
    // The row with the focus in the view, or -1.
    int focusedRow() const;

    void setObserver(ListObserver observer);
    void setFocusProvider(std::function<int()> provider);

    // All rows at once, for the command line and tests.
    std::vector<std::array<std::string, kColumnCount>> snapshot() const;
    // Hands every row's cells to `visit` in order, without copying them; the
    // list is locked meanwhile, so `visit` must not call back into it.
    using RowVisitor = std::function<void(const std::array<std::string_view, kColumnCount>& cells)>;
    void forEachRow(const RowVisitor& visit) const;

private:
    // Where each cell's text lies in the pool, and its length.
    struct Row {
        char* text[kColumnCount] = {nullptr, nullptr, nullptr};
        std::uint32_t length[kColumnCount] = {0, 0, 0};
        std::string_view cell(int column) const;
    };
    class TextPool;
    void notifyRowsChanged() const;
    // With mutex_ held.
    void storeCell(Row& row, int column, std::string_view text);

    mutable std::mutex mutex_;
    std::deque<Row> rows_;
    std::unique_ptr<TextPool> pool_;
    ListObserver observer_;
    std::atomic<std::uint64_t> reorders_{0};
    std::function<int()> focusProvider_;
};

// The Remove command: takes the focused pair row out and lowers pairCount;
// refuses the "Start" row, the last row, no focus, and pairCount 0.
// Returns whether a row was removed.
bool removeFocusedRow(ResultList& list, std::atomic<std::uint32_t>& pairCount);

}  // namespace core
