#include "ui/main_window.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>

#include "core/drop_rule.h"
#include "core/strip_model.h"
#include "platform/platform.h"
#include "resource_ids.h"
#include "ui/context_menu.h"
#include "ui/control_strip.h"
#include "ui/details_dialog.h"
#include "ui/shell.h"
#include "ui/tooltips.h"
#include "ui/window_effects.h"
#include "ui/window_options.h"
#include "ui/window_text.h"

namespace ui {
namespace {

constexpr DWORD kEditStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr int kEditLeft = 82;
constexpr int kEditRightMargin = 142;
constexpr int kEditATop = 73;
constexpr int kEditBTop = 95;
constexpr int kEditHeight = 20;
constexpr int kStripFontHeight = 15;
constexpr int kSmallestStripFontHeight = 10;

HWND createPathEdit(HWND window, HINSTANCE instance, int id, int top) {
    return CreateWindowExA(0, "Edit", "", kEditStyle, kEditLeft, top, 200, kEditHeight, window,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

// The keys are named in the tips, where the user looks for what a thing does.
constexpr char kFileTip[] = "File to be compared. Enter starts";
constexpr char kFolderTip[] = "Folder to check. Enter starts";
constexpr char kReferenceTip[] =
    "Reference folder, or empty: only pairs of a file of the folder to check and a file here are listed, "
    "and nothing here is ever changed. Enter starts";
constexpr char kStartAbortTip[] = "Start: Enter in a path box. Abort: Esc";
constexpr char kHelpTip[] = "The help page: F1";
constexpr char kListTip[] =
    "In the list: Delete removes the selected pairs, Ctrl+A selects every row, Ctrl+C copies the selected rows";
constexpr UINT_PTR kStartAbortTipId = 1;
constexpr UINT_PTR kHelpTipId = 2;

const char* pathATip(std::uint32_t searchMode) {
    return searchMode == core::search_mode::kFile ? kFileTip : kFolderTip;
}

const char* pathBTip(std::uint32_t searchMode) {
    return searchMode == core::search_mode::kFile ? kFileTip : kReferenceTip;
}

RECT toRect(const core::StripRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// The painted buttons' tips follow the buttons as the width changes.
void placeButtonTips(MainWindow& main) {
    std::uint32_t width = main.state.clientWidth;
    addAreaTooltipTo(main.tooltip, main.window, kStartAbortTipId, toRect(core::startAbortButton(width)),
                     kStartAbortTip);
    addAreaTooltipTo(main.tooltip, main.window, kHelpTipId, toRect(core::helpButton(width)), kHelpTip);
}

void onCreate(MainWindow& main) {
    HWND window = main.window;
    auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    main.editA = createPathEdit(window, instance, IDC_PATH_A, 53);
    main.editB = createPathEdit(window, instance, IDC_PATH_B, 75);
    main.editFont = makeFont("Tahoma", 15, 50);
    for (int height = kStripFontHeight; height >= kSmallestStripFontHeight; --height)
        main.stripFonts.push_back(makeFont("Tahoma", height, 500));
    main.knobs.load(instance);
    for (HWND edit : {main.editA, main.editB})
        SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(main.editFont.get()), FALSE);
    // As the user left them when the program last closed.
    SetWindowTextA(main.editA, main.state.pathAText().c_str());
    SetWindowTextA(main.editB, main.state.pathBText().c_str());
    main.list.create(window, main.state.list);
    main.tooltip = createTooltipControl(instance);
    // On the column captions, where it does not cover the rows' own tips.
    addTooltipToChild(main.tooltip, ListView_GetHeader(main.list.handle()), kListTip);
    setListColumns(main);
    const core::SettingsBlock& settings = main.state.settings;
    applyOnTop(window, settings.alwaysOnTop);
    if (settings.transparent != 0) applyTransparency(window, settings.transparencyLevel);
}

// No smaller than keeps the strip's buttons, labels and knob apart and
// shows the list's header and a few rows.
void onGetMinMaxInfo(const MainWindow& main, MINMAXINFO& limits) {
    RECT frame{0, 0, core::kMinClientWidth,
               core::minClientHeight(main.list.chromeHeight(), main.list.rowHeight())};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(main.window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(main.window, GWL_EXSTYLE)));
    limits.ptMinTrackSize.x = frame.right - frame.left;
    limits.ptMinTrackSize.y = frame.bottom - frame.top;
}

// A disabled edit loses the focus to nothing, and then no key of the window
// (Escape above all) would reach it as a key: the window itself holds it
// meanwhile.
void keepFocusWhileEditsAreDisabled(MainWindow& main) {
    HWND focus = GetFocus();
    if (focus != main.editA && focus != main.editB) return;
    main.editBeforeRun = focus;
    SetFocus(main.window);
}

void giveFocusBackToEdit(MainWindow& main) {
    HWND edit = main.editBeforeRun;
    main.editBeforeRun = nullptr;
    // Only while the window still holds it: the user may have moved on.
    if (edit && IsWindowVisible(edit) && GetFocus() == main.window) SetFocus(edit);
}

void onTimer(MainWindow& main, WPARAM timerId) {
    if (timerId == kProgressTimerId)
        core::onProgressTimerTick(main.state, main.effects);
    else if (timerId == kCloseTimerId)
        core::onCloseTimerTick(main.state, main.effects);
}

// The first dropped path only, of any length.
void handleDrop(MainWindow& main, HDROP drop) {
    UINT length = DragQueryFileA(drop, 0, nullptr, 0);
    if (length == 0) return;
    std::string path(length + 1, '\0');
    if (DragQueryFileA(drop, 0, path.data(), length + 1) != length) return;
    path.resize(length);
    // The file system says what the path is; a full stop in a name does not.
    bool folder = platform::isFolder(path.c_str());
    core::AppState& state = main.state;
    POINT at{};
    DragQueryPoint(drop, &at);
    switch (core::dropTargetFor(state.settings.searchMode, folder, at.y, state.dropToggle)) {
        case core::DropTarget::EditA: SetWindowTextA(main.editA, path.c_str()); break;
        case core::DropTarget::EditB: SetWindowTextA(main.editB, path.c_str()); break;
        case core::DropTarget::None: break;
    }
}

void onDropFiles(MainWindow& main, HDROP drop) {
    // A drop during a run is not taken, but its handle is still given back.
    if (main.state.runState.load() == core::run_state::kIdle) handleDrop(main, drop);
    DragFinish(drop);
}

void onRightButtonUp(MainWindow& main) {
    std::uint32_t idle = core::run_state::kIdle;
    main.state.runState.compare_exchange_strong(idle, core::run_state::kRightClickIdle);
    showContextMenu(main.window, main.state);
}

LRESULT onNotify(MainWindow& main, const NMHDR& header, WPARAM wParam, LPARAM lParam) {
    if (header.hwndFrom == main.list.handle() && header.code == LVN_GETDISPINFOA) {
        main.list.onGetDispInfo(*reinterpret_cast<NMLVDISPINFOA*>(lParam));
        return 0;
    }
    if (header.code == static_cast<UINT>(NM_DBLCLK)) {
        openPairDetails(main.window, main.state);
        return 0;
    }
    return DefWindowProcA(main.window, WM_NOTIFY, wParam, lParam);
}

void onNcCreate(HWND window, const CREATESTRUCTA& create) {
    auto& state = *static_cast<core::AppState*>(create.lpCreateParams);
    auto* main = new MainWindow(state, window);
    main->effects = makeWindowEffects(window, state);
    main->openInShell = openWithShell;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(main));
}

void onNcDestroy(HWND window) {
    delete mainWindowOf(window);
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
}

LRESULT dispatch(MainWindow& main, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = main.window;
    switch (message) {
        case WM_CREATE: onCreate(main); return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        case WM_SIZE: layoutChildren(main, LOWORD(lParam), HIWORD(lParam)); return 0;
        case WM_GETMINMAXINFO: onGetMinMaxInfo(main, *reinterpret_cast<MINMAXINFO*>(lParam)); return 0;
        case WM_CLOSE: core::onCloseRequest(main.state, main.effects); return 0;
        case WM_PAINT: paintStrip(main); return 0;
        case WM_NOTIFY: return onNotify(main, *reinterpret_cast<NMHDR*>(lParam), wParam, lParam);
        case WM_CONTEXTMENU: PostMessageA(window, WM_RBUTTONUP, 0, 0); return 0;
        case WM_COMMAND: onMenuCommand(window, main.state, LOWORD(wParam)); return 0;
        case WM_TIMER: onTimer(main, wParam); return 0;
        case WM_MOUSEMOVE: trackHover(main, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
        case WM_MOUSELEAVE: onMouseLeave(main); return 0;
        case WM_LBUTTONDOWN: onStripPress(main); return 0;
        case WM_LBUTTONUP: onStripRelease(main, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
        case WM_CAPTURECHANGED: main.pressed = false; return 0;
        case WM_RBUTTONUP: onRightButtonUp(main); return 0;
        case WM_DROPFILES: onDropFiles(main, reinterpret_cast<HDROP>(wParam)); return 0;
        case kRefreshEditsMessage: refreshEditStates(window); return 0;
        case kRunEndedMessage:
            main.list.followToTheLastRow();
            core::onRunEnded(main.state, main.effects);
            return 0;
        case kRowsChangedMessage: main.list.onRowsChanged(); return 0;
        case kScrollRequestMessage: main.list.onScrollRequest(); return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) onNcCreate(window, *reinterpret_cast<CREATESTRUCTA*>(lParam));
    MainWindow* main = mainWindowOf(window);
    if (!main) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        onNcDestroy(window);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return dispatch(*main, message, wParam, lParam);
}

}  // namespace

MainWindow* mainWindowOf(HWND window) {
    char className[sizeof kMainClassName + 1] = {};
    if (!window || !GetClassNameA(window, className, sizeof className) ||
        std::string_view(className) != kMainClassName)
        return nullptr;
    return reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void registerMainClass(HINSTANCE instance, const ProgramIcons& icons) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_BYTEALIGNWINDOW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = icons.large;
    windowClass.hIconSm = icons.small;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kMainClassName;
    RegisterClassExA(&windowClass);
}

HWND createMainWindow(HINSTANCE instance, core::AppState& state) {
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    // The strip is painted on the window itself; clipping the children keeps
    // its erasing and painting off the path edits and the list.
    return CreateWindowExA(WS_EX_ACCEPTFILES, kMainClassName, PAIRLOOK_TITLE,
                           WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, (screenWidth - kMainWidth) / 2,
                           (screenHeight - kMainHeight) / 2, kMainWidth, kMainHeight, nullptr, nullptr, instance,
                           &state);
}

void layoutChildren(MainWindow& main, int width, int height) {
    main.state.clientWidth = static_cast<std::uint32_t>(width);
    main.state.clientHeight = static_cast<std::uint32_t>(height);
    int editWidth = std::max(width - kEditRightMargin, 0);
    int listHeight = height > core::kStripHeight ? height - core::kStripHeight : 0;
    // The class repaints the main window on every size change, but not the
    // children, which it clips: each is repainted here, frame and header
    // included, or its old border and grid would stay where it was.
    MoveWindow(main.editA, kEditLeft, kEditATop, editWidth, kEditHeight, TRUE);
    MoveWindow(main.editB, kEditLeft, kEditBTop, editWidth, kEditHeight, TRUE);
    MoveWindow(main.list.handle(), 1, core::kStripHeight, std::max(width - 2, 0), listHeight, TRUE);
    placeButtonTips(main);
}

void refreshEditStates(HWND window) {
    MainWindow* main = mainWindowOf(window);
    if (!main) return;
    if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) {
        SendMessageA(window, kRefreshEditsMessage, 0, 0);
        return;
    }
    const core::AppState& state = main->state;
    bool idle = state.runState.load() == core::run_state::kIdle;
    if (!idle) keepFocusWhileEditsAreDisabled(*main);
    EnableWindow(main->editA, idle);
    EnableWindow(main->editB, idle);
    if (idle) giveFocusBackToEdit(*main);
}

void setListColumns(MainWindow& main) {
    main.state.list.clearRows();
    main.list.setColumns(main.state.settings.searchMode);
    addTooltip(main, main.window, IDC_PATH_A, pathATip(main.state.settings.searchMode));
    addTooltip(main, main.window, IDC_PATH_B, pathBTip(main.state.settings.searchMode));
    refreshEditStates(main.window);
}

void changeEditBForMode(MainWindow& main, std::uint32_t from) {
    const std::uint32_t to = main.state.settings.searchMode;
    if (std::optional<std::string> text = core::editBAfterModeChange(main.state, from, to, windowText(main.editB)))
        SetWindowTextA(main.editB, text->c_str());
}

// With no program for web pages (a fresh Wine prefix, say), the user is
// told where the page is, to open it by hand.
void openHelpPage(MainWindow& main) {
    const std::string page = helpPagePath(main.state);
    if (!main.openInShell(page))
        MessageBoxA(main.window, helpPageUnopenedText(page).c_str(), PAIRLOOK_TITLE, MB_OK | MB_ICONINFORMATION);
}

void addTooltip(MainWindow& main, HWND window, int controlId, const char* text) {
    addTooltipTo(main.tooltip, window, controlId, text);
}

}  // namespace ui
