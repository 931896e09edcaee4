#include "ui/list_view.h"

#include <cstring>

#include "core/app_state.h"
#include "resource_ids.h"

namespace ui {
namespace {

constexpr DWORD kListStyle = WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHAREIMAGELISTS | LVS_NOSORTHEADER |
                             LVS_OWNERDATA;
constexpr DWORD kListExtendedStyle = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP;

// Posts `message` unless one is already on its way.
void postOnce(HWND window, std::atomic<bool>& pending, UINT message) {
    if (!pending.exchange(true)) PostMessageA(window, message, 0, 0);
}

}  // namespace

void ListView::create(HWND mainWindow, core::ResultList& model) {
    model_ = &model;
    signals_ = std::make_shared<Signals>();
    signals_->mainWindow = mainWindow;
    list_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", kListStyle, 0, 0, 0, 0, mainWindow,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LIST)),
                            reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(mainWindow, GWLP_HINSTANCE)), nullptr);
    ListView_SetExtendedListViewStyleEx(list_, 0, kListExtendedStyle);

    std::shared_ptr<Signals> signals = signals_;
    core::ListObserver observer;
    observer.rowsChanged = [signals] { postOnce(signals->mainWindow, signals->countPending, kRowsChangedMessage); };
    observer.scrollIntoView = [signals](int row) {
        signals->scrollRow.store(row);
        postOnce(signals->mainWindow, signals->scrollPending, kScrollRequestMessage);
    };
    model.setObserver(std::move(observer));
    HWND list = list_;
    model.setFocusProvider([list]() -> int {
        if (!IsWindow(list)) return -1;
        return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    });
}

void ListView::setColumns(std::uint32_t searchMode) {
    // Three times column 0: whatever columns there were are gone.
    for (int i = 0; i < core::kColumnCount; ++i) ListView_DeleteColumn(list_, 0);
    auto columns = core::columnsFor(searchMode);
    for (int i = 0; i < core::kColumnCount; ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.fmt = LVCFMT_LEFT;
        column.cx = columns[i].width;
        column.pszText = const_cast<char*>(columns[i].caption);
        SendMessageA(list_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
}

void ListView::syncRowCount() {
    // Cleared before the count is read: a change after this read posts anew.
    signals_->countPending.store(false);
    int rows = model_->rowCount();
    if (ListView_GetItemCount(list_) != rows)
        ListView_SetItemCountEx(list_, rows, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void ListView::onRowsChanged() {
    syncRowCount();
    // Cells of rows on screen may have changed too; only those are drawn again.
    InvalidateRect(list_, nullptr, FALSE);
}

void ListView::onScrollRequest() {
    signals_->scrollPending.store(false);
    syncRowCount();
    int row = signals_->scrollRow.load();
    if (row >= 0 && row < ListView_GetItemCount(list_)) ListView_EnsureVisible(list_, row, FALSE);
}

void ListView::onGetDispInfo(NMLVDISPINFOA& info) const {
    LVITEMA& item = info.item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    std::string cell = model_->readCell(item.iItem, item.iSubItem);
    std::size_t length = cell.size() < static_cast<std::size_t>(item.cchTextMax - 1)
                             ? cell.size()
                             : static_cast<std::size_t>(item.cchTextMax - 1);
    std::memcpy(item.pszText, cell.data(), length);
    item.pszText[length] = '\0';
}

}  // namespace ui
