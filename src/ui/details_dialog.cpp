#include "ui/details_dialog.h"

#include <shellapi.h>

#include "core/batch_delete.h"
#include "core/pair_details.h"
#include "core/run_control.h"
#include "platform/win32/shell_files.h"
#include "resource_ids.h"
#include "ui/batch_delete_dialog.h"
#include "ui/control_strip.h"
#include "ui/main_window.h"
#include "ui/prompt_dialog.h"
#include "ui/shell.h"
#include "ui/tooltips.h"

namespace ui {
namespace {

struct DetailsSession {
    MainWindow& main;
    OwnedFont large;
    OwnedFont small;
    // The paths of the pair shown, whole: the dialog's items may not hold a
    // long one entirely.
    std::string pathA;
    std::string pathB;
};

struct FileControls {
    int path, size, time;
};
constexpr FileControls kFileA{IDC_FILE_A_PATH, IDC_FILE_A_SIZE, IDC_FILE_A_TIME};
constexpr FileControls kFileB{IDC_FILE_B_PATH, IDC_FILE_B_SIZE, IDC_FILE_B_TIME};

void show(HWND dialog, const FileControls& controls, const core::FileFacts& facts) {
    SetDlgItemTextA(dialog, controls.path, facts.path.c_str());
    SetDlgItemTextA(dialog, controls.size, std::to_string(facts.size).c_str());
    SetDlgItemTextA(dialog, controls.time, facts.lastWrite.c_str());
}

// The pair of detailsRow, or of the next row whose files open; false when
// none of a hundred rows does.
bool fillPairDetails(HWND dialog, DetailsSession& session) {
    core::AppState& state = session.main.state;
    int row = state.detailsRow.load();
    std::optional<core::PairDetails> pair = core::findPairDetails(state.list, row);
    state.detailsRow.store(row);
    if (!pair) return false;
    session.pathA = pair->fileA.path;
    session.pathB = pair->fileB.path;
    show(dialog, kFileA, pair->fileA);
    show(dialog, kFileB, pair->fileB);
    SetDlgItemTextA(dialog, IDC_VERDICT, core::verdictLine(pair->percent).c_str());
    EnableWindow(GetDlgItem(dialog, IDC_DETAIL_VIEW), core::offersDetailView(pair->percent));
    return true;
}

void addTips(HWND dialog, MainWindow& main) {
    const std::pair<int, const char*> tips[] = {
        {IDC_FILE_A_PATH, "File A filename"},
        {IDC_FILE_B_PATH, "File B filename"},
        {IDC_FILE_A_SIZE, "File A size measured in bytes"},
        {IDC_FILE_B_SIZE, "File B size measured in bytes"},
        {IDC_FILE_A_TIME, "Date that File A was last modified"},
        {IDC_FILE_B_TIME, "Date that File B was last modified"},
        {IDC_FILE_A_OPEN, "Open File A with default file viewer"},
        {IDC_FILE_B_OPEN, "Open File B with default file viewer"},
        {IDC_DETAIL_VIEW, "Perform detailed comparison of these files."},
    };
    for (const auto& [id, text] : tips) addTooltip(main, dialog, id, text);
}

// The buttons that dispose of files name what they do in the batch mode.
void nameDisposalButtons(HWND dialog, MainWindow& main) {
    const core::DisposalButtons buttons = core::disposalButtonsFor(main.state.settings.batchDeleteMode);
    SetDlgItemTextA(dialog, IDC_FILE_A_DELETE, buttons.one);
    SetDlgItemTextA(dialog, IDC_FILE_B_DELETE, buttons.one);
    SetDlgItemTextA(dialog, IDC_DELETE_ALL_A, buttons.column);
    SetDlgItemTextA(dialog, IDC_DELETE_ALL_B, buttons.column);
    addTooltip(main, dialog, IDC_FILE_A_DELETE, buttons.oneTip('A', 'B').c_str());
    addTooltip(main, dialog, IDC_FILE_B_DELETE, buttons.oneTip('B', 'A').c_str());
    addTooltip(main, dialog, IDC_DELETE_ALL_A, buttons.columnTip('A').c_str());
    addTooltip(main, dialog, IDC_DELETE_ALL_B, buttons.columnTip('B').c_str());
}

// After a search against a reference folder every File B lies in it: the
// buttons that would dispose of it are off, and their tip says why. A
// disabled button hears no mouse (its parent does), so the tip is one of
// the dialog's, over the button's area.
void protectFileB(HWND dialog, MainWindow& main) {
    if (core::mayDisposeOfColumn(main.state, 1)) return;
    for (int id : {IDC_FILE_B_DELETE, IDC_DELETE_ALL_B}) {
        HWND button = GetDlgItem(dialog, id);
        EnableWindow(button, FALSE);
        RECT area;
        GetWindowRect(button, &area);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&area), 2);
        addAreaTooltipTo(main.tooltip, dialog, static_cast<UINT_PTR>(id), area, core::kFileBInReferenceTip);
    }
}

bool initialise(HWND dialog, DetailsSession& session) {
    session.large = makeFont("Arial", 25, 50);
    session.small = makeFont("Arial", 16, 50);
    for (int id : {IDC_FILE_A_OPEN, IDC_FILE_B_OPEN, IDC_FILE_A_DELETE, IDC_FILE_B_DELETE, IDC_DELETE_ALL_A,
                   IDC_DELETE_ALL_B})
        setControlFont(dialog, id, session.large.get());
    setControlFont(dialog, IDC_VERDICT, session.small.get());
    if (!fillPairDetails(dialog, session)) return false;
    addTips(dialog, session.main);
    nameDisposalButtons(dialog, session.main);
    protectFileB(dialog, session.main);
    return true;
}

// Asked before a file goes that may be the last copy of its content.
bool recycleAnyway(HWND dialog, core::AppState& state, const std::string& warning) {
    return askSmall(dialog, state, warning, "Recycle it anyway.", "Keep it.");
}

// The pair shown is done with: its row goes, and the session moves on to
// the next pair.
void dropShownPair(HWND dialog, DetailsSession& session) {
    core::AppState& state = session.main.state;
    state.list.deleteRow(state.detailsRow.load());
    if (state.pairCount.load() > 0) state.pairCount.fetch_sub(1);
    if (!fillPairDetails(dialog, session)) EndDialog(dialog, IDCANCEL);
}

// The file is checked against its partner first; while the shell asks its
// own question both stay held, so neither can change meanwhile. The row
// goes only when the file did. The paths are copies: the session moves on.
void recycleOne(HWND dialog, DetailsSession& session, const std::string path, const std::string partner) {
    core::AppState& state = session.main.state;
    core::CheckedPair held;
    core::DuplicateCheck check = core::DuplicateChecker().check(path, partner, held);
    std::optional<std::string> warning = core::lastCopyWarning(check);
    if (warning && !recycleAnyway(dialog, state, *warning)) return;
    // The identity of the file as checked, or, where the check did not get
    // that far, as its path names it now.
    platform::FileIdentity identity = held.fileStamp.identity;
    const bool known = check == core::DuplicateCheck::Identical || platform::identityOfPath(path.c_str(), identity);
    const bool answered = platform::win32::recycleFiles(dialog, {path}, FOF_ALLOWUNDO);
    held = core::CheckedPair{};
    if (!answered || !known || core::stillAt(path, identity)) return;
    dropShownPair(dialog, session);
}

bool linkAfterAll(HWND dialog, core::AppState& state) {
    return askSmall(dialog, state,
                    "Replace this file with a hard link to its partner? Both names stay and the content is stored "
                    "once; a change made through one name shows through the other.",
                    "Link it.", "Keep it.");
}

// Link File: once the user agrees, the file becomes a link to its partner
// if the two are still copies, and its row goes; otherwise it stays as it
// was, and the user is told why.
void linkOne(HWND dialog, DetailsSession& session, const std::string path, const std::string partner) {
    if (!linkAfterAll(dialog, session.main.state)) return;
    const std::string why = core::linkOneFile(path, partner);
    if (why.empty()) {
        dropShownPair(dialog, session);
        return;
    }
    const std::string told = "The file was not replaced: " + why + ".";
    MessageBoxA(dialog, told.c_str(), PAIRLOOK_TITLE, MB_OK | MB_ICONINFORMATION);
}

// The single button of a file: Link File in Replace-with-link mode, Delete
// File (to the recycle bin) in every other.
void disposeOne(HWND dialog, DetailsSession& session, const std::string& path, const std::string& partner) {
    if (core::disposalButtonsFor(session.main.state.settings.batchDeleteMode).links)
        linkOne(dialog, session, path, partner);
    else
        recycleOne(dialog, session, path, partner);
}

// Detail View: the dialog hands over to File mode, which compares the
// session's paths.
void requestDetailView(HWND dialog, const DetailsSession& session) {
    session.main.state.runState.store(core::run_state::kDetailRequested);
    EndDialog(dialog, IDOK);
}

void onCommand(HWND dialog, DetailsSession& session, int id) {
    core::AppState& state = session.main.state;
    switch (id) {
        case IDC_FILE_A_OPEN: openWithShell(session.pathA); break;
        case IDC_FILE_B_OPEN: openWithShell(session.pathB); break;
        case IDC_FILE_A_DELETE: disposeOne(dialog, session, session.pathA, session.pathB); break;
        case IDC_FILE_B_DELETE:
            if (core::mayDisposeOfColumn(state, 1)) disposeOne(dialog, session, session.pathB, session.pathA);
            break;
        case IDC_DETAIL_VIEW: requestDetailView(dialog, session); break;
        case IDC_DELETE_ALL_A:
        case IDC_DELETE_ALL_B:
            state.runState.store(id == IDC_DELETE_ALL_A ? core::run_state::kBatchColumnA
                                                        : core::run_state::kBatchColumnB);
            EndDialog(dialog, IDOK);
            break;
        case IDCANCEL: EndDialog(dialog, IDCANCEL); break;
    }
}

INT_PTR CALLBACK detailsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* session = reinterpret_cast<DetailsSession*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            if (!initialise(dialog, *reinterpret_cast<DetailsSession*>(lParam))) EndDialog(dialog, IDCANCEL);
            return TRUE;
        case WM_DESTROY:
            if (MainWindow* main = mainWindowOf(GetParent(dialog))) removeTooltipsOf(main->tooltip, dialog);
            return FALSE;
        case WM_COMMAND:
            if (session) onCommand(dialog, *session, LOWORD(wParam));
            return TRUE;
    }
    return FALSE;
}

// The pair of the dialog, compared in File mode as a run of its own; the
// pair goes to the edits, where a reference folder in edit B waits for the
// folder modes.
void startDetailedComparison(MainWindow& main, const DetailsSession& session) {
    core::AppState& state = main.state;
    const std::uint32_t from = state.settings.searchMode;
    state.settings.searchMode = core::search_mode::kFile;
    changeEditBForMode(main, from);
    SetWindowTextA(main.editA, session.pathA.c_str());
    SetWindowTextA(main.editB, session.pathB.c_str());
    state.runState.store(core::run_state::kIdle);
    setListColumns(main);
    InvalidateRect(main.window, nullptr, TRUE);
    pressStart(main);
}

}  // namespace

void openPairDetails(HWND mainWindow, core::AppState& state) {
    MainWindow* main = mainWindowOf(mainWindow);
    int focused = state.list.focusedRow();
    if (!main || state.settings.searchMode == core::search_mode::kFile ||
        state.runState.load() != core::run_state::kIdle)
        return;
    state.detailsRow.store(focused == 0 ? 1 : focused);
    DetailsSession session{*main, {}, {}, {}, {}};
    auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(mainWindow, GWLP_HINSTANCE));
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_DUPLICATE_ACTION), mainWindow, detailsProc,
                    reinterpret_cast<LPARAM>(&session));
    switch (state.runState.load()) {
        case core::run_state::kDetailRequested: startDetailedComparison(*main, session); break;
        case core::run_state::kBatchColumnA:
        case core::run_state::kBatchColumnB: openBatchDelete(*main); break;
    }
}

}  // namespace ui
