#include "ui/details_dialog.h"

#include <shellapi.h>

#include "core/batch_delete.h"
#include "core/pair_details.h"
#include "core/run_control.h"
#include "platform/win32/shell_files.h"
#include "resource_ids.h"
#include "ui/batch_delete_dialog.h"
#include "ui/main_window.h"
#include "ui/prompt_dialog.h"
#include "ui/shell.h"
#include "ui/window_text.h"

namespace ui {
namespace {

struct DetailsSession {
    MainWindow& main;
    OwnedFont large;
    OwnedFont small;
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
bool fillPairDetails(HWND dialog, core::AppState& state) {
    int row = state.detailsRow.load();
    std::optional<core::PairDetails> pair = core::findPairDetails(state.list, row);
    state.detailsRow.store(row);
    if (!pair) return false;
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

bool initialise(HWND dialog, DetailsSession& session) {
    session.large = makeFont("Arial", 25, 50);
    session.small = makeFont("Arial", 16, 50);
    for (int id : {IDC_FILE_A_OPEN, IDC_FILE_B_OPEN, IDC_FILE_A_DELETE, IDC_FILE_B_DELETE, IDC_DELETE_ALL_A,
                   IDC_DELETE_ALL_B})
        setControlFont(dialog, id, session.large.get());
    setControlFont(dialog, IDC_VERDICT, session.small.get());
    if (!fillPairDetails(dialog, session.main.state)) return false;
    addTips(dialog, session.main);
    nameDisposalButtons(dialog, session.main);
    return true;
}

// Asked before a file goes that may be the last copy of its content.
bool recycleAnyway(HWND dialog, core::AppState& state, const std::string& warning) {
    state.prompt.kind = 11;  // the message in the smaller font
    state.prompt.message = warning;
    state.prompt.firstText = "Recycle it anyway.";
    state.prompt.secondText = "Keep it.";
    return runPrompt(dialog, state) == core::kPromptFirst;
}

// The pair shown is done with: its row goes, and the next pair is shown.
void dropShownPair(HWND dialog, core::AppState& state) {
    state.list.deleteRow(state.detailsRow.load());
    if (state.pairCount.load() > 0) state.pairCount.fetch_sub(1);
    if (!fillPairDetails(dialog, state)) EndDialog(dialog, IDCANCEL);
}

// The file is checked against its partner first; while the shell asks its
// own question both stay held, so neither can change meanwhile. The row
// goes only when the file did.
void recycleOne(HWND dialog, core::AppState& state, int pathControl, int partnerControl) {
    const std::string path = dialogItemText(dialog, pathControl);
    core::CheckedPair held;
    core::DuplicateCheck check = core::DuplicateChecker().check(path, dialogItemText(dialog, partnerControl), held);
    std::optional<std::string> warning = core::lastCopyWarning(check);
    if (warning && !recycleAnyway(dialog, state, *warning)) return;
    // The identity of the file as checked, or, where the check did not get
    // that far, as its path names it now.
    platform::FileIdentity identity = held.fileStamp.identity;
    const bool known = check == core::DuplicateCheck::Identical || platform::identityOfPath(path.c_str(), identity);
    const bool answered = platform::win32::recycleFiles(dialog, {path}, FOF_ALLOWUNDO);
    held = core::CheckedPair{};
    if (!answered || !known || core::stillAt(path, identity)) return;
    dropShownPair(dialog, state);
}

bool linkAfterAll(HWND dialog, core::AppState& state) {
    state.prompt.kind = 11;  // the message in the smaller font
    state.prompt.message =
        "Replace this file with a hard link to its partner? Both names stay and the content is stored once; "
        "a change made through one name shows through the other.";
    state.prompt.firstText = "Link it.";
    state.prompt.secondText = "Keep it.";
    return runPrompt(dialog, state) == core::kPromptFirst;
}

// Link File: once the user agrees, the file becomes a link to its partner
// if the two are still copies, and its row goes; otherwise it stays as it
// was, and the user is told why.
void linkOne(HWND dialog, core::AppState& state, int pathControl, int partnerControl) {
    if (!linkAfterAll(dialog, state)) return;
    const std::string why =
        core::linkOneFile(dialogItemText(dialog, pathControl), dialogItemText(dialog, partnerControl));
    if (why.empty()) {
        dropShownPair(dialog, state);
        return;
    }
    const std::string told = "The file was not replaced: " + why + ".";
    MessageBoxA(dialog, told.c_str(), PAIRLOOK_TITLE, MB_OK | MB_ICONINFORMATION);
}

// The single button of a file: Link File in Replace-with-link mode, Delete
// File (to the recycle bin) in every other.
void disposeOne(HWND dialog, core::AppState& state, int pathControl, int partnerControl) {
    if (core::disposalButtonsFor(state.settings.batchDeleteMode).links)
        linkOne(dialog, state, pathControl, partnerControl);
    else
        recycleOne(dialog, state, pathControl, partnerControl);
}

// Detail View: the pair goes to the paths and the edits, and the dialog
// hands over to File mode.
void requestDetailView(HWND dialog, MainWindow& main) {
    std::string pathA = dialogItemText(dialog, IDC_FILE_A_PATH);
    std::string pathB = dialogItemText(dialog, IDC_FILE_B_PATH);
    main.state.setPathA(pathA);
    main.state.setPathB(pathB);
    SetWindowTextA(main.editA, pathA.c_str());
    SetWindowTextA(main.editB, pathB.c_str());
    main.state.runState.store(core::run_state::kDetailRequested);
    EndDialog(dialog, IDOK);
}

void onCommand(HWND dialog, DetailsSession& session, int id) {
    core::AppState& state = session.main.state;
    switch (id) {
        case IDC_FILE_A_OPEN: openWithShell(dialogItemText(dialog, IDC_FILE_A_PATH)); break;
        case IDC_FILE_B_OPEN: openWithShell(dialogItemText(dialog, IDC_FILE_B_PATH)); break;
        case IDC_FILE_A_DELETE: disposeOne(dialog, state, IDC_FILE_A_PATH, IDC_FILE_B_PATH); break;
        case IDC_FILE_B_DELETE: disposeOne(dialog, state, IDC_FILE_B_PATH, IDC_FILE_A_PATH); break;
        case IDC_DETAIL_VIEW: requestDetailView(dialog, session.main); break;
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
        case WM_COMMAND:
            if (session) onCommand(dialog, *session, LOWORD(wParam));
            return TRUE;
    }
    return FALSE;
}

// The pair of the dialog, compared in File mode as a run of its own.
void startDetailedComparison(MainWindow& main) {
    core::AppState& state = main.state;
    state.settings.searchMode = core::search_mode::kFile;
    state.runState.store(core::run_state::kIdle);
    setListColumns(main);
    InvalidateRect(main.window, nullptr, TRUE);
    core::startPreparedRun(state, main.effects);
}

}  // namespace

void openPairDetails(HWND mainWindow, core::AppState& state) {
    MainWindow* main = mainWindowOf(mainWindow);
    int focused = state.list.focusedRow();
    if (!main || state.settings.searchMode == core::search_mode::kFile ||
        state.runState.load() != core::run_state::kIdle)
        return;
    state.detailsRow.store(focused == 0 ? 1 : focused);
    DetailsSession session{*main, {}, {}};
    auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(mainWindow, GWLP_HINSTANCE));
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_DUPLICATE_ACTION), mainWindow, detailsProc,
                    reinterpret_cast<LPARAM>(&session));
    switch (state.runState.load()) {
        case core::run_state::kDetailRequested: startDetailedComparison(*main); break;
        case core::run_state::kBatchColumnA:
        case core::run_state::kBatchColumnB: openBatchDelete(*main); break;
    }
}

}  // namespace ui
