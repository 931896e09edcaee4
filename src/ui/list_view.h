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

    // The columns of the mode, after removing the old ones.
    void setColumns(std::uint32_t searchMode);

    void onRowsChanged();
    void onScrollRequest();
    // Fills a cell the list asks for; the text is copied, cut to its buffer.
    void onGetDispInfo(NMLVDISPINFOA& info) const;

private:
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
};

}  // namespace ui
