#include "ui/about_dialog.h"

#include "core/about_info.h"
#include "resource_ids.h"
#include "ui/main_window.h"
#include "ui/tooltips.h"
#include "ui/shell.h"

namespace ui {
namespace {

enum Page { kFoldersPage = 0, kDiagnosticsPage = 1 };

// The extended version record first; without it the edition is left out.
core::SystemVersion readSystemVersion() {
    core::SystemVersion version;
    OSVERSIONINFOEXA info{};
    info.dwOSVersionInfoSize = sizeof info;
    version.extended = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)) != 0;
    if (!version.extended) {
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) return version;
    }
    version.major = info.dwMajorVersion;
    version.minor = info.dwMinorVersion;
    version.platformId = info.dwPlatformId;
    version.productType = info.wProductType;
    version.suiteMask = info.wSuiteMask;
    version.servicePack = info.szCSDVersion;
    version.tabletPc = GetSystemMetrics(SM_TABLETPC) != 0;
    version.mediaCenter = GetSystemMetrics(SM_MEDIACENTER) != 0;
    return version;
}

std::string systemDescription() { return core::describeSystem(readSystemVersion()); }

struct AboutSession {
    core::AppState& state;
    HWND owner;
};

void showPage(HWND dialog, const AboutSession& session, int page) {
    // The page text is placed in pixels, below the links.
    MoveWindow(GetDlgItem(dialog, IDC_ABOUT_PAGE_TEXT), 5, 190, 290, 140, TRUE);
    SendDlgItemMessageA(dialog, IDC_ABOUT_PAGE_CHOOSER, CB_SETCURSEL, page, 0);
    SetDlgItemTextA(dialog, IDC_ABOUT_SITE, core::programPageAddress().c_str());
    HWND action = GetDlgItem(dialog, IDC_ABOUT_PAGE_ACTION);
    std::string text;
    if (page == kFoldersPage) {
        SetWindowTextA(action, "Open Dirs");
        if (MainWindow* main = mainWindowOf(session.owner))
            addTooltip(*main, dialog, IDC_ABOUT_PAGE_ACTION,
                       "Opens the directory where the program was installed as well as the directory where the "
                       "program data is stored.");
        text = core::programFoldersPage(session.state.programFolder, session.state.dataFolder);
    } else {
        text = core::diagnosticsPage(systemDescription());
    }
    // The action belongs to the folder page only.
    ShowWindow(action, page == kFoldersPage ? SW_SHOW : SW_HIDE);
    SetDlgItemTextA(dialog, IDC_ABOUT_PAGE_TEXT, text.c_str());
}

int chosenPage(HWND dialog) {
    return static_cast<int>(SendDlgItemMessageA(dialog, IDC_ABOUT_PAGE_CHOOSER, CB_GETCURSEL, 0, 0));
}

void initialise(HWND dialog, AboutSession& session) {
    session.state.aboutOpen = 1;
    SetDlgItemTextA(dialog, IDC_ABOUT_MAIL, core::kSupportMail);
    for (const char* page : {"Prog Dirs", "Diagnostics"})
        SendDlgItemMessageA(dialog, IDC_ABOUT_PAGE_CHOOSER, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(page));
    showPage(dialog, session, kFoldersPage);
}

void onCommand(HWND dialog, AboutSession& session, WORD id, WORD code) {
    switch (id) {
        case IDC_ABOUT_PAGE_ACTION:
            if (chosenPage(dialog) != kFoldersPage) break;
            openWithShell(session.state.programFolder);
            openWithShell(session.state.dataFolder);
            break;
        case IDC_ABOUT_MAIL_BUTTON: openWithShell(core::supportMailLink(systemDescription())); break;
        case IDC_ABOUT_SITE_BUTTON: {
            char address[core::kTextBuffer] = {};
            GetDlgItemTextA(dialog, IDC_ABOUT_SITE, address, sizeof address);
            openWithShell(address);
            break;
        }
        case IDC_ABOUT_PAGE_CHOOSER:
            if (code == CBN_SELCHANGE) showPage(dialog, session, chosenPage(dialog));
            break;
        case IDOK:
        case IDCANCEL:
            session.state.aboutOpen = 0;
            EndDialog(dialog, id);
            break;
    }
}

INT_PTR CALLBACK aboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* session = reinterpret_cast<AboutSession*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            initialise(dialog, *reinterpret_cast<AboutSession*>(lParam));
            return TRUE;
        case WM_DESTROY:
            if (MainWindow* main = mainWindowOf(GetParent(dialog))) removeTooltipsOf(main->tooltip, dialog);
            return FALSE;
        case WM_COMMAND:
            if (session) onCommand(dialog, *session, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
    }
    return FALSE;
}

}  // namespace

void openAbout(HWND owner, core::AppState& state) {
    AboutSession session{state, owner};
    auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ABOUT), owner, aboutProc, reinterpret_cast<LPARAM>(&session));
    state.aboutOpen = 0;
}

}  // namespace ui
