// The painted strip driven as a user drives it: pointer moves and button
// releases at the strip's coordinates, runs started and steered by clicks,
// and the pixels the strip paints, read back from the window.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/run_control.h"
#include "core/strip_model.h"
#include "resource_ids.h"
#include "ui/control_strip.h"
#include "ui_harness.h"

namespace {

using namespace ui_test;

constexpr COLORREF kDisc = RGB(197, 199, 167);
constexpr COLORREF kButton = RGB(213, 215, 183);
constexpr COLORREF kLitButton = RGB(229, 231, 199);
constexpr COLORREF kBlack = RGB(0, 0, 0);

class StripTest : public WindowTest {
protected:
    int w() const { return static_cast<int>(state->clientWidth); }

    void moveTo(int x, int y) { SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }
    // A press and release at (x, y), without a move to get there.
    void pressAt(int x, int y) {
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
    // A click at (x, y), the pointer coming from an empty part of the
    // strip, as a real pointer does.
    void clickAt(int x, int y) {
        moveTo(200, 60);
        moveTo(x, y);
        pressAt(x, y);
    }
    void clickStart() { clickAt(w() - 120, 27); }
    void clickPause() { clickAt(w() - 30, 14); }
    void clickKnob() { clickAt(37, 27); }
    void clickChooseA() { clickAt(w() - 30, 81); }

    std::vector<std::string> buttonCaptions() {
        std::vector<std::string> captions;
        for (const core::StripButton& button : core::layoutStrip(*state).buttons)
            if (button.kind != core::ButtonKind::ModeSwitch) captions.push_back(button.caption);
        return captions;
    }

    void waitForIdle() {
        ASSERT_TRUE(pumpUntil([&] {
            return state->runState.load() == core::run_state::kIdle &&
                   listRowCount(main().list.handle()) == state->list.rowCount();
        }));
    }

    std::string lastRow(int column) { return listCell(main().list.handle(), state->list.rowCount() - 1, column); }
};

TEST_F(StripTest, BothJobsRunByClicks) {
    std::string a = folder.write("a.bin", "same bytes");
    std::string b = folder.write("b.bin", "same bytes");
    folder.write("tree/x.txt", "twin");
    folder.write("tree/y.txt", "twin");
    start();
    SetWindowTextA(child(IDC_PATH_A), a.c_str());
    SetWindowTextA(child(IDC_PATH_B), b.c_str());
    clickStart();
    EXPECT_EQ(state->runState.load() != core::run_state::kIdle || state->list.rowCount() > 0, true);
    waitForIdle();
    EXPECT_EQ(lastRow(0), "End");
    EXPECT_EQ(lastRow(2), "Same");

    clickKnob();
    EXPECT_EQ(state->settings.searchMode, core::search_mode::kDirectory);
    pumpPending();
    EXPECT_EQ(listRowCount(main().list.handle()) + state->list.rowCount(), 0);  // the switch empties the list
    clickKnob();
    EXPECT_EQ(state->settings.searchMode, core::search_mode::kQuickDir);
    // Edit B is now the reference folder's, empty: the second file waits for File mode.
    char editB[600] = {};
    GetWindowTextA(child(IDC_PATH_B), editB, sizeof editB);
    EXPECT_TRUE(IsWindowVisible(child(IDC_PATH_B)));
    EXPECT_STREQ(editB, "");
    SetWindowTextA(child(IDC_PATH_A), folder.pathOf("tree").c_str());
    clickStart();
    waitForIdle();
    EXPECT_EQ(listCell(main().list.handle(), 1, 2), "100");
    EXPECT_EQ(lastRow(1), "1 twins found");
    clickKnob();
    EXPECT_EQ(state->settings.searchMode, core::search_mode::kFile);  // and round again
    GetWindowTextA(child(IDC_PATH_B), editB, sizeof editB);
    EXPECT_EQ(editB, b);
}

TEST_F(StripTest, StartWithAnEmptyPathOnlyClearsTheList) {
    start();
    state->list.insertRow(0, "old row");
    clickStart();
    EXPECT_EQ(state->runState.load(), core::run_state::kIdle);
    EXPECT_EQ(state->list.rowCount(), 0);
    SetWindowTextA(child(IDC_PATH_A), folder.write("a.bin", "x").c_str());
    clickStart();  // File mode needs path B as well
    EXPECT_EQ(state->runState.load(), core::run_state::kIdle);
}

// The worker is held at the pause gate before its first chunk, so every
// click lands while it still runs.
TEST_F(StripTest, PauseResumeAndAbortByClicks) {
    std::string a = folder.write("a.bin", std::string(100000, 'a'));
    std::string b = folder.write("b.bin", std::string(100000, 'b'));
    start();
    SetWindowTextA(child(IDC_PATH_A), a.c_str());
    SetWindowTextA(child(IDC_PATH_B), b.c_str());
    for (bool resume : {true, false}) {
        SCOPED_TRACE(resume ? "resume" : "abort");
        state->pauseGate.close();
        clickStart();
        ASSERT_TRUE(pumpUntil([&] { return state->list.rowCount() >= 1; }));  // "Start" is written
        EXPECT_EQ(buttonCaptions(), (std::vector<std::string>{"Abort", "Pause", "Help", "Choose", "Choose"}));
        EXPECT_FALSE(IsWindowEnabled(child(IDC_PATH_A)));  // the worker has turned the edits off
        clickPause();
        EXPECT_EQ(state->runControl.load(), core::run_control::kPaused);
        EXPECT_EQ(buttonCaptions()[1], "Resume");
        if (resume) {
            clickPause();
            EXPECT_EQ(state->runControl.load(), core::run_control::kRun);
        } else {
            clickStart();  // Abort, while paused
            // The released worker may already have ended: it sets the state
            // idle, then resets the request, so the request is read first.
            EXPECT_TRUE(state->runControl.load() == core::run_control::kAbort ||
                        state->runState.load() == core::run_state::kIdle);
        }
        waitForIdle();
        EXPECT_EQ(lastRow(0), resume ? "End" : "Aborted");
        EXPECT_EQ(buttonCaptions()[0], "Start");
        EXPECT_TRUE(IsWindowEnabled(child(IDC_PATH_A)));
    }
}

TEST_F(StripTest, ChooseButtonsOpenTheChooserOfTheMode) {
    std::string chosen = folder.write("chosen.bin", "x");
    start();
    int answered = dialogsAnswered();
    // The file chooser, told a file name and confirmed.
    answerNextDialog(PAIRLOOK_TITLE, IDOK, [&](HWND dialog) {
        HWND name = GetDlgItem(dialog, 0x47c);  // the file name box
        if (!name) name = GetDlgItem(dialog, 0x480);
        SetWindowTextA(name, chosen.c_str());
    });
    clickChooseA();
    EXPECT_EQ(dialogsAnswered(), answered + 1);
    char text[600] = {};
    GetWindowTextA(child(IDC_PATH_A), text, sizeof text);
    EXPECT_STREQ(text, chosen.c_str());
    EXPECT_EQ(state->pathAText(), chosen);

    // Choose B starts in File A's folder with no name filled in.
    std::string startFolder, startName = "unread";
    answerNextDialog(PAIRLOOK_TITLE, IDCANCEL, [&](HWND dialog) {
        char text[600] = {};
        SendMessageA(dialog, CDM_GETFOLDERPATH, sizeof text, reinterpret_cast<LPARAM>(text));
        startFolder = text;
        HWND name = GetDlgItem(dialog, 0x47c);
        if (!name) name = GetDlgItem(dialog, 0x480);
        GetWindowTextA(name, text, sizeof text);
        startName = text;
    });
    clickAt(w() - 30, 103);
    EXPECT_EQ(startFolder, folder.path());
    EXPECT_EQ(startName, "");

    clickKnob();
    bool saysWhatToPick = false;
    answerNextDialog("Browse for Folder", IDCANCEL,
                     [&](HWND browser) { saysWhatToPick = showsText(browser, "Choose the folder to search:"); });
    clickChooseA();
    EXPECT_EQ(dialogsAnswered(), answered + 3);
    EXPECT_TRUE(saysWhatToPick);
    // In the folder modes Choose B picks the reference folder.
    answerNextDialog("Browse for Folder", IDCANCEL,
                     [&](HWND browser) { saysWhatToPick = showsText(browser, "Choose the reference folder:"); });
    clickAt(w() - 30, 103);
    EXPECT_EQ(dialogsAnswered(), answered + 4);
    EXPECT_TRUE(saysWhatToPick);
    GetWindowTextA(child(IDC_PATH_A), text, sizeof text);
    EXPECT_STREQ(text, chosen.c_str());  // a cancel changes nothing
}

// Every label and caption of File mode, paused ("Resume"), fits its room
// in the font the strip draws it in; a room narrower than the strip's font
// needs, as where the face comes out wider, gets a smaller font that fits.
TEST_F(StripTest, TextsFitTheirRooms) {
    start();
    HDC dc = GetDC(window);
    auto fits = [&](const std::string& text, int room) {
        HGDIOBJ old = SelectObject(dc, ui::stripFontFitting(main(), dc, text, room));
        SIZE size{};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, old);
        return size.cx <= room;
    };
    state->runState = core::run_state::kRunning;
    state->runControl = core::run_control::kPaused;
    const core::StripLayout layout = core::layoutStrip(*state);
    for (const core::StripText& label : layout.labels)
        EXPECT_TRUE(fits(label.text, label.rect.right - label.rect.left)) << label.text;
    for (const core::StripButton& button : layout.buttons)
        EXPECT_TRUE(fits(button.caption, (button.kind == core::ButtonKind::Wide ? 100 : 54) - 4)) << button.caption;
    EXPECT_TRUE(fits("Compare this", 60));
    state->runState = core::run_state::kIdle;
    state->runControl = core::run_control::kRun;
    ReleaseDC(window, dc);
}

TEST_F(StripTest, KnobPointsAtItsMode) {
    start();
    // Three points of the knob: the tip's place for File (upper left), for
    // Directory (upper right) and for Quick Dir (lower right).
    const POINT probes[] = {{25 + 6, 15 + 6}, {25 + 17, 15 + 6}, {25 + 17, 15 + 17}};
    for (int mode = 0; mode < 3; ++mode) {
        SCOPED_TRACE(mode);
        state->settings.searchMode = static_cast<std::uint32_t>(mode);
        Capture picture(window);
        for (int p = 0; p < 3; ++p) EXPECT_EQ(picture.at(probes[p].x, probes[p].y), p == mode ? kBlack : kDisc) << p;
    }
}

TEST_F(StripTest, LitButtonAndProgressBarArePainted) {
    start();
    const int startLeft = w() - 170;
    EXPECT_EQ(Capture(window).at(startLeft + 10, 15 + 12), kButton);
    moveTo(startLeft + 50, 27);
    EXPECT_EQ(Capture(window).at(startLeft + 10, 15 + 12), kLitButton);

    // A worker state with a known percentage: the bar ends at
    // (w - 175) * 40 / 100.
    state->runState = core::run_state::kRunning;
    state->progressPercent = 40;
    int end = (w() - 175) * 40 / 100;
    Capture running(window);
    EXPECT_EQ(running.at(end - 1, 8), kBlack);
    EXPECT_EQ(running.at(end + 1, 8), GetSysColor(COLOR_WINDOW) & 0xFFFFFF);
    state->runState = core::run_state::kIdle;
}

// After every change of size, the list (frame, header and rows) and the
// strip show what a full repaint shows: no old border or grid left behind,
// nothing left unpainted.
TEST_F(StripTest, EverySizeChangeLeavesTheWindowFullyPainted) {
    start();
    for (int row = 0; row < 40; ++row) state->list.insertRow(-1, std::to_string(row));
    for (SIZE size : {SIZE{800, 600}, SIZE{430, 300}, SIZE{700, 420}, SIZE{0, 0}}) {
        SCOPED_TRACE(std::to_string(size.cx) + " x " + std::to_string(size.cy));
        if (size.cx > 0)
            SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        else
            ShowWindow(window, SW_MAXIMIZE);
        pumpPending();  // the paint messages the change left
        Capture asLeft(window, false);
        Capture repainted(window);
        int differing = 0;
        RECT list = placeOf(main().list.handle());
        for (RECT area : {list, RECT{0, 0, w(), 70}})  // the strip above the edits
            for (int y = area.top; y < area.bottom; ++y)
                for (int x = area.left; x < area.right; ++x) differing += asLeft.at(x, y) != repainted.at(x, y);
        EXPECT_EQ(differing, 0);
    }
}

// Too narrow for the strip (a size the user cannot give it): nothing of it
// is painted, nothing black is left where it was, and clicks still answer.
// Sized smaller by the user, the window stops where the strip fits and the
// list shows a few rows.
TEST_F(StripTest, WindowStopsAtTheSmallestSizeTheStripFits) {
    start();
    SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(200, 300));
    {
        Capture picture(window);
        COLORREF background = GetSysColor(COLOR_WINDOW) & 0xFFFFFF;
        EXPECT_EQ(picture.at(30, 27), background);   // no knob
        EXPECT_EQ(picture.at(300, 80), background);  // where edit A reached before
        clickKnob();
        EXPECT_EQ(state->settings.searchMode, core::search_mode::kDirectory);
    }
    SetWindowPos(window, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(w(), core::kMinClientWidth);
    EXPECT_GE(ListView_GetCountPerPage(main().list.handle()), core::kMinListRows);
    EXPECT_EQ(Capture(window).at(w() - 170 + 10, 15 + 12), kButton);  // Start, clear of the labels
}

// Three clicks that once landed elsewhere: each acts on the button under the pointer.
TEST_F(StripTest, ClickLandsOnTheButtonUnderThePointer) {
    std::string a = folder.write("a.bin", "same bytes");
    std::string b = folder.write("b.bin", "same bytes");
    start();
    std::vector<std::string> opened;
    main().openInShell = [&](const std::string& target) {
        opened.push_back(target);
        return true;
    };
    int answered = dialogsAnswered();
    answerNextDialog("About Pairlook", IDOK);
    moveTo(w() - 30, 14);  // About
    moveTo(w() - 30, 36);  // Help
    pressAt(w() - 30, 36);
    pumpPending();
    EXPECT_EQ(opened, std::vector<std::string>{state->programFolder + "ReadMe.htm"});
    EXPECT_EQ(dialogsAnswered(), answered) << "About opened";
    stopAnswering();

    // Where nothing opens web pages, the user is told where the page is.
    main().openInShell = [](const std::string&) { return false; };
    std::string told;
    answerNextDialog(PAIRLOOK_TITLE, IDOK, [&](HWND box) { told = textOf(GetDlgItem(box, 0xFFFF)); });
    pressAt(w() - 30, 36);
    EXPECT_NE(told.find(state->programFolder + "ReadMe.htm"), std::string::npos) << told;

    // From the knob straight into a path edit, then Start: a run, in the same mode.
    SetWindowTextA(child(IDC_PATH_A), a.c_str());
    SetWindowTextA(child(IDC_PATH_B), b.c_str());
    moveTo(37, 27);
    pressAt(w() - 120, 27);
    EXPECT_EQ(state->settings.searchMode, core::search_mode::kFile);
    waitForTheEnd();
    EXPECT_EQ(lastRow(2), "Same");

    // A release that no press of ours began (the end of a double-click in a
    // chooser that closed over Start) does nothing.
    state->list.clearRows();
    moveTo(w() - 120, 27);
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(w() - 120, 27));
    EXPECT_EQ(state->runState.load(), core::run_state::kIdle);
    EXPECT_EQ(state->list.rowCount(), 0);
}

}  // namespace
