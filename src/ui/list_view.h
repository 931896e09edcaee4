// The result list on screen: a report list in virtual mode that draws its
// cells from the ResultList model. Workers change the model from their own
// threads; the model's notices become at most one posted message each until
// the window thread has handled it, so a million rows cost memory, not a
// million window calls.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/list_rules.h"
#include "core/result_list.h"

namespace ui {

// Posted to the main window; handled by ListView::onRowsChanged and
// ListView::onScrollRequest.
constexpr UINT kRowsChangedMessage = WM_APP + 1;
constexpr UINT kScrollRequestMessage = WM_APP + 2;

class ListView {
public:
    // Creates the list (control id 0, 0 x 0) on the main window and hooks it
    // to the model.
    void create(HWND mainWindow, core::ResultList& model);
    HWND handle() const { return list_; }

    // In pixels, for the window's smallest size: the frame and the header,
    // and one row. Before the list exists, likely values.
    int chromeHeight() const;
    int rowHeight() const;

    // The columns of the mode, after removing the old ones.
    void setColumns(std::uint32_t searchMode);

    void onRowsChanged();
    // Scrolls to the newest row, unless the user has scrolled away from the end.
    void onScrollRequest();
    // A run has ended: its last row ("End", "Aborted"), which is written
    // without a request to be shown, is scrolled into view when the list
    // was following the rows.
    void followToTheLastRow();
    // A new run: its rows are followed from the first, wherever the last
    // run's list was scrolled to.
    void followFromTheStart() { lastFollowed_ = -1; }
    // Fills a cell the list asks for; the text is copied, cut to its buffer.
    void onGetDispInfo(NMLVDISPINFOA& info) const;

    // A cell as the list shows it: in File mode's Details the files' bytes
    // above 127 appear as the system's 8-bit code page has them.
    std::string shownCell(int row, int column) const;
    // Selected rows, in order.
    std::vector<int> selectedRows() const;
    bool everyRowSelected() const;
    void selectAll();
    // The Delete key: the selected pair rows go, and the row that takes the
    // first one's place is selected, so the next press goes on from there.
    void removeSelectedPairs(std::atomic<std::uint32_t>& pairCount);
    // The selected rows as the list shows them, tab-separated, on the clipboard.
    void copySelectedRows(HWND owner) const;

    // No row selected; the focused row keeps the focus.
    void unselectAll();
    // No row selected and none focused.
    void clearSelection();

private:
    // Scrolls `row` into view while the list follows the newest rows.
    void followRow(int row);

    // Shared with the model's notices, which may outlive this object by a
    // moment on a worker's thread.
    struct Signals {
        HWND mainWindow = nullptr;
        std::atomic<bool> countPending{false};
        std::atomic<bool> scrollPending{false};
        std::atomic<int> scrollRow{-1};
    };

    void syncRowCount();

    HWND list_ = nullptr;
    core::ResultList* model_ = nullptr;
    std::shared_ptr<Signals> signals_;
    std::uint32_t searchMode_ = 0;
    core::HighByteTexts highBytes_;
    int lastFollowed_ = -1;  // the newest row scrolled into view
    std::uint64_t reordersSeen_ = 0;  // the model's reorderCount when last drawn
};

}  // namespace ui
