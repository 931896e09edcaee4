#include "ui/list_view.h"

#include <algorithm>
#include <cstring>

#include "core/app_state.h"
#include "resource_ids.h"

namespace ui {
namespace {

constexpr DWORD kListStyle = WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHAREIMAGELISTS | LVS_NOSORTHEADER |
                             LVS_OWNERDATA;
constexpr DWORD kListExtendedStyle = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP;

constexpr int kLikelyRowHeight = 17;
constexpr UINT kWesternCodePage = 1252;

// The code page Windows gives 8-bit text when a program does not ask for
// UTF-8 as this one does: there a single byte above 127 is no character.
UINT systemAnsiCodePage() {
    DWORD codePage = 0;
    if (!GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                        reinterpret_cast<LPWSTR>(&codePage), sizeof codePage / sizeof(WCHAR)) ||
        codePage == 0 || codePage == CP_UTF8)
        return kWesternCodePage;
    return codePage;
}

// The byte as a UTF-8 text in the code page, when it is a visible character
// there (not a control, not undefined, not half of a two-byte character).
bool byteAsCharacter(UINT codePage, unsigned char byte, std::string& text) {
    WCHAR wide[2] = {};
    char narrow = static_cast<char>(byte);
    if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, &narrow, 1, wide, 2) != 1) return false;
    if (wide[0] < 0xA0 || wide[0] == 0xFFFD || (wide[0] >= 0xD800 && wide[0] < 0xE000)) return false;
    char utf8[4] = {};
    int length = WideCharToMultiByte(CP_UTF8, 0, wide, 1, utf8, sizeof utf8, nullptr, nullptr);
    if (length <= 0) return false;
    text.assign(utf8, static_cast<std::size_t>(length));
    return true;
}

// Each byte as the system's code page shows it; one that is no character
// there on its own (half of a two-byte character, say) as the Western code
// page shows it, and failing that as "?": never as a box.
core::HighByteTexts highByteTexts() {
    UINT codePage = systemAnsiCodePage();
    core::HighByteTexts texts;
    for (int byte = 128; byte < 256; ++byte) {
        std::string& text = texts[static_cast<std::size_t>(byte - 128)];
        auto b = static_cast<unsigned char>(byte);
        if (!byteAsCharacter(codePage, b, text) && !byteAsCharacter(kWesternCodePage, b, text)) text = "?";
    }
    return texts;
}

// Converted straight into the clipboard's memory, a UTF-8 text never
// having fewer bytes than its UTF-16 form has characters. Plain ASCII, most
// of a list, is copied as it is; the system converts the rest.
HGLOBAL unicodeTextOf(const std::string& utf8) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (utf8.size() + 1) * sizeof(wchar_t));
    if (!memory) return nullptr;
    wchar_t* out = static_cast<wchar_t*>(GlobalLock(memory));
    const auto* in = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t size = utf8.size();
    for (std::size_t at = 0; at < size;) {
        if (in[at] < 0x80) {
            *out++ = in[at++];
            continue;
        }
        std::size_t end = at;
        while (end < size && in[end] >= 0x80) ++end;
        const int count = static_cast<int>(end - at);
        out += MultiByteToWideChar(CP_UTF8, 0, utf8.data() + at, count, out, count);
        at = end;
    }
    *out = L'\0';
    GlobalUnlock(memory);
    return memory;
}

void putOnClipboard(HWND owner, const std::string& utf8) {
    if (!OpenClipboard(owner)) return;
    EmptyClipboard();
    // The clipboard owns the memory once it has taken it.
    if (HGLOBAL memory = unicodeTextOf(utf8); memory && !SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    CloseClipboard();
}

// A press that leaves one row selected: a plain click, or a plain key that
// moves the focus.
bool selectsOneRow(UINT message, WPARAM wParam) {
    if (message == WM_LBUTTONDOWN) return !(wParam & (MK_SHIFT | MK_CONTROL));
    if (message != WM_KEYDOWN || GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_CONTROL) < 0) return false;
    switch (wParam) {
        case VK_UP: case VK_DOWN: case VK_PRIOR: case VK_NEXT: case VK_HOME: case VK_END: return true;
    }
    return false;
}

// Wine's list unselects the other rows one by one over the whole list,
// selected or not, before such a press selects its row: the program drops
// the selection first, at once.
LRESULT CALLBACK listProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR view) {
    if (selectsOneRow(message, wParam)) reinterpret_cast<ListView*>(view)->unselectAll();
    return DefSubclassProc(list, message, wParam, lParam);
}

// Posts `message` unless one is already on its way.
void postOnce(HWND window, std::atomic<bool>& pending, UINT message) {
    if (!pending.exchange(true)) PostMessageA(window, message, 0, 0);
}

}  // namespace

void ListView::create(HWND mainWindow, core::ResultList& model) {
    model_ = &model;
    highBytes_ = highByteTexts();
    signals_ = std::make_shared<Signals>();
    signals_->mainWindow = mainWindow;
    list_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", kListStyle, 0, 0, 0, 0, mainWindow,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LIST)),
                            reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(mainWindow, GWLP_HINSTANCE)), nullptr);
    ListView_SetExtendedListViewStyleEx(list_, 0, kListExtendedStyle);
    SetWindowSubclass(list_, listProc, 1, reinterpret_cast<DWORD_PTR>(this));

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

int ListView::chromeHeight() const {
    // The sunken edge, and the horizontal scroll bar: at the window's
    // smallest width the columns never fit.
    int frame = 2 * GetSystemMetrics(SM_CYEDGE) + GetSystemMetrics(SM_CYHSCROLL);
    HWND header = list_ ? ListView_GetHeader(list_) : nullptr;
    RECT place{};
    if (!header || !GetWindowRect(header, &place)) return frame + kLikelyRowHeight + 4;
    MapWindowPoints(nullptr, list_, reinterpret_cast<POINT*>(&place), 2);
    return frame + place.bottom;  // the rows begin under the header
}

int ListView::rowHeight() const {
    if (!list_) return kLikelyRowHeight;
    // The difference between the room for one row and for two is one row,
    // whatever the header and edges take.
    DWORD one = ListView_ApproximateViewRect(list_, -1, -1, 1);
    DWORD two = ListView_ApproximateViewRect(list_, -1, -1, 2);
    int height = HIWORD(two) - HIWORD(one);
    return height > 0 ? height : kLikelyRowHeight;
}

void ListView::setColumns(std::uint32_t searchMode) {
    searchMode_ = searchMode;
    followFromTheStart();
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
    if (lastFollowed_ >= rows) lastFollowed_ = -1;  // emptied since
}

void ListView::onRowsChanged() {
    // Rows put in a new order show other pairs: a selection made before
    // would now stand on rows the user never picked.
    if (std::uint64_t reorders = model_->reorderCount(); reorders != reordersSeen_) {
        reordersSeen_ = reorders;
        clearSelection();
    }
    syncRowCount();
    // Cells of rows on screen may have changed too; only those are drawn again.
    InvalidateRect(list_, nullptr, FALSE);
}

void ListView::onScrollRequest() {
    signals_->scrollPending.store(false);
    syncRowCount();
    followRow(signals_->scrollRow.load());
}

void ListView::followToTheLastRow() {
    syncRowCount();
    followRow(ListView_GetItemCount(list_) - 1);
}

void ListView::followRow(int row) {
    if (row < 0 || row >= ListView_GetItemCount(list_)) return;
    bool follow = core::followsNewRows(ListView_GetTopIndex(list_), ListView_GetCountPerPage(list_), lastFollowed_);
    // Judged against the newest row even when not followed: scrolling back
    // down to it takes up the following again.
    lastFollowed_ = row;
    if (follow) ListView_EnsureVisible(list_, row, FALSE);
}

void ListView::onGetDispInfo(NMLVDISPINFOA& info) const {
    LVITEMA& item = info.item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    std::string cell = shownCell(item.iItem, item.iSubItem);
    std::size_t length = cell.size() < static_cast<std::size_t>(item.cchTextMax - 1)
                             ? cell.size()
                             : static_cast<std::size_t>(item.cchTextMax - 1);
    std::memcpy(item.pszText, cell.data(), length);
    item.pszText[length] = '\0';
}

std::string ListView::shownCell(int row, int column) const {
    std::string cell = model_->readCell(row, column);
    return core::cellHoldsFileBytes(searchMode_, column) ? core::withHighBytesAs(cell, highBytes_) : cell;
}

bool ListView::everyRowSelected() const {
    int count = ListView_GetItemCount(list_);
    return count > 0 && static_cast<int>(ListView_GetSelectedCount(list_)) == count;
}

std::vector<int> ListView::selectedRows() const {
    std::vector<int> rows;
    int count = ListView_GetItemCount(list_);
    // Every row, as after Ctrl+A, without asking for each of a million.
    if (everyRowSelected()) {
        rows.resize(static_cast<std::size_t>(count));
        for (int row = 0; row < count; ++row) rows[static_cast<std::size_t>(row)] = row;
        return rows;
    }
    for (int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(list_, row, LVNI_SELECTED))
        rows.push_back(row);
    return rows;
}

// Wine's list visits every row to select it, tens of microseconds each,
// half of them in redrawing the row: the list is drawn once, after.
void ListView::selectAll() {
    SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    ListView_SetItemState(list_, -1, LVIS_SELECTED, LVIS_SELECTED);
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, FALSE);
}

// Unselecting rows, Wine's list visits every row, selected or not, at a
// fraction of a millisecond each. Emptied, it drops the selection and the
// focus as one range; filled again, it is scrolled back where it was.
void ListView::unselectAll() {
    if (ListView_GetSelectedCount(list_) == 0) return;
    int focused = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
    int top = ListView_GetTopIndex(list_);
    int across = GetScrollPos(list_, SB_HORZ);
    int rows = ListView_GetItemCount(list_);
    ListView_SetItemCountEx(list_, 0, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    ListView_SetItemCountEx(list_, rows, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    // The focus first: setting it may scroll to it.
    if (focused >= 0) ListView_SetItemState(list_, focused, LVIS_FOCUSED, LVIS_FOCUSED);
    RECT row{};
    ListView_GetItemRect(list_, 0, &row, LVIR_BOUNDS);
    const int now = ListView_GetTopIndex(list_);
    ListView_Scroll(list_, across - GetScrollPos(list_, SB_HORZ), (top - now) * (row.bottom - row.top));
}

void ListView::clearSelection() {
    unselectAll();
    int focused = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
    if (focused >= 0) ListView_SetItemState(list_, focused, 0, LVIS_FOCUSED);
}

void ListView::removeSelectedPairs(std::atomic<std::uint32_t>& pairCount) {
    std::vector<int> rows = selectedRows();
    if (rows.empty() || core::removePairRows(*model_, pairCount, rows) == 0) return;
    clearSelection();
    syncRowCount();
    InvalidateRect(list_, nullptr, FALSE);
    // The first row taken out; the "Start" row never is.
    int next = *std::upper_bound(rows.begin(), rows.end(), 0);
    if (next < ListView_GetItemCount(list_)) {
        ListView_SetItemState(list_, next, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(list_, next, FALSE);
    }
}

void ListView::copySelectedRows(HWND owner) const {
    // Every row, as after Ctrl+A: the model's own cells, without reading
    // the selection row by row.
    const bool all = everyRowSelected() && ListView_GetItemCount(list_) == model_->rowCount();
    const std::vector<int> rows = all ? std::vector<int>() : selectedRows();
    const std::string text = core::rowsAsTabText(*model_, all ? nullptr : &rows, searchMode_, highBytes_);
    if (!text.empty()) putOnClipboard(owner, text);
}

}  // namespace ui
