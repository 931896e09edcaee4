#include "ui/control_strip.h"

#include <algorithm>

#include "core/strip_model.h"
#include "text/text.h"
#include "ui/about_dialog.h"
#include "ui/choosers.h"
#include "ui/window_text.h"

namespace ui {
namespace {

constexpr COLORREF kButtonFill = RGB(213, 215, 183);
constexpr COLORREF kButtonHotFill = RGB(229, 231, 199);

RECT toRect(const core::StripRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

void drawText(HDC dc, const std::string& text, RECT rect, UINT format) {
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, format | DT_SINGLELINE | DT_NOPREFIX);
}

// A label or caption in the largest strip font it fits its room in.
void drawFittingText(HDC dc, const MainWindow& main, const std::string& text, RECT rect, UINT format) {
    SelectedObject font(dc, stripFontFitting(main, dc, text, rect.right - rect.left));
    drawText(dc, text, rect, format);
}

void drawRoundButton(HDC dc, const MainWindow& main, const core::StripButton& button) {
    bool wide = button.kind == core::ButtonKind::Wide;
    int width = wide ? 100 : 54;
    int height = wide ? 24 : 18;
    OwnedGdi<HBRUSH> fill(CreateSolidBrush(button.hot ? kButtonHotFill : kButtonFill));
    {
        SelectedObject brush(dc, fill.get());
        RoundRect(dc, button.left, button.top, button.left + width, button.top + height, 20, 20);
    }
    RECT caption{button.left + 2, button.top, button.left + width - 2, button.top + height};
    drawFittingText(dc, main, button.caption, caption, DT_CENTER | DT_VCENTER);
}

void drawStripButton(HDC dc, HDC bitmapDc, const MainWindow& main, const core::StripButton& button,
                     std::uint32_t mode) {
    if (button.kind != core::ButtonKind::ModeSwitch) {
        drawRoundButton(dc, main, button);
        return;
    }
    // The knob's image already has the form of its mode.
    SelectedObject selected(bitmapDc, main.knobs.image(mode, button.hot));
    BitBlt(dc, button.left, button.top, KnobImages::kSize, KnobImages::kSize, bitmapDc, 0, 0, SRCCOPY);
}

void drawProgress(HDC dc, const core::StripLayout& layout, const std::string& currentFile) {
    if (layout.barEnd > 3) {
        RECT bar{3, 5, layout.barEnd, 20};
        FillRect(dc, &bar, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    if (!layout.percentText.empty()) {
        SetTextColor(dc, RGB(255, 255, 255));
        drawText(dc, layout.percentText, toRect(layout.percentRect), DT_CENTER);
        SetTextColor(dc, RGB(0, 0, 0));
    }
    if (layout.showsCurrentFile) drawText(dc, currentFile, toRect(layout.currentFileRect), DT_LEFT | DT_TOP);
}

// Everything the layout holds, onto a surface cleared to the window colour.
void drawLayout(HDC dc, const MainWindow& main, const core::StripLayout& layout) {
    RECT all = toRect(core::stripArea(main.state.clientWidth));
    FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    SelectedObject font(dc, main.stripFonts.front().get());
    for (const core::StripText& label : layout.labels)
        drawFittingText(dc, main, label.text, toRect(label.rect), DT_LEFT | DT_TOP);
    if (layout.showsProgress) drawProgress(dc, layout, main.state.currentFile.get());
    HDC bitmapDc = CreateCompatibleDC(dc);
    for (const core::StripButton& button : layout.buttons)
        drawStripButton(dc, bitmapDc, main, button, layout.modeForm);
    DeleteDC(bitmapDc);
}

void invalidate(HWND window, const core::StripRect& area, bool erase) {
    RECT rect = toRect(area);
    InvalidateRect(window, &rect, erase);
}

void chooseFileA(MainWindow& main) {
    char* path = main.state.settings.pathA;  // where the last choice is remembered
    if (chooseFile(main.window, path, kAllFilesFilter)) SetWindowTextA(main.editA, path);
}

// The second file is most often beside the first: start in File A's folder,
// with no name filled in, so that Open cannot compare File A with itself.
void chooseFileB(MainWindow& main) {
    std::string fileA = windowText(main.editA);
    std::string folder = text::folderOf(fileA.empty() ? main.state.pathAText() : fileA);
    char path[core::kTextBuffer] = {};
    if (chooseFileInFolder(main.window, path, kAllFilesFilter, folder)) SetWindowTextA(main.editB, path);
}

void chooseFolderInto(MainWindow& main, HWND edit, const char* prompt) {
    char folder[core::kTextBuffer] = {};
    if (chooseFolder(main.window, folder, prompt)) SetWindowTextA(edit, folder);
}

void switchToNextMode(MainWindow& main) {
    const std::uint32_t from = main.state.settings.searchMode;
    main.state.settings.searchMode = core::nextSearchMode(from);
    changeEditBForMode(main, from);
    setListColumns(main);
    invalidate(main.window, core::stripArea(main.state.clientWidth), true);
}

}  // namespace

void paintStrip(MainWindow& main) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(main.window, &paint);
    core::StripLayout layout = core::layoutStrip(main.state);
    RECT area = toRect(core::stripArea(main.state.clientWidth));
    RECT update;
    if (!layout.paints) {
        // Too narrow for the strip: the window colour, and nothing left over
        // from wider days or from the edits.
        FillRect(dc, &paint.rcPaint, GetSysColorBrush(COLOR_WINDOW));
    } else if (IntersectRect(&update, &paint.rcPaint, &area)) {
        // Drawn whole off screen, then copied: text that got shorter leaves
        // nothing behind, and nothing flickers.
        HDC memory = CreateCompatibleDC(dc);
        OwnedGdi<HBITMAP> surface(CreateCompatibleBitmap(dc, area.right, area.bottom));
        {
            SelectedObject selected(memory, surface.get());
            drawLayout(memory, main, layout);
            BitBlt(dc, update.left, update.top, update.right - update.left, update.bottom - update.top, memory,
                   update.left, update.top, SRCCOPY);
        }
        DeleteDC(memory);
    }
    EndPaint(main.window, &paint);
}

void trackHover(MainWindow& main, int x, int y) {
    if (!main.tracksLeave) {
        TRACKMOUSEEVENT leave{sizeof leave, TME_LEAVE, main.window, 0};
        main.tracksLeave = TrackMouseEvent(&leave) != FALSE;
    }
    for (const core::StripRect& area : core::trackHover(main.state, x, y)) invalidate(main.window, area, false);
}

void onMouseLeave(MainWindow& main) {
    main.tracksLeave = false;
    for (const core::StripRect& area : core::clearHover(main.state)) invalidate(main.window, area, false);
}

void onStripPress(MainWindow& main) {
    main.pressed = true;
    // The window takes the focus that went nowhere, so that its keys are heard.
    HWND focus = GetFocus();
    if (!focus || !IsWindowEnabled(focus)) SetFocus(main.window);
    // The release comes here even outside the window, where it acts on nothing.
    SetCapture(main.window);
}

void onStripRelease(MainWindow& main, int x, int y) {
    // A release without a press of ours is the end of a click elsewhere,
    // such as the double-click that closed a chooser over the strip.
    bool pressed = main.pressed;
    main.pressed = false;
    if (GetCapture() == main.window) ReleaseCapture();
    if (!pressed) return;
    core::AppState& state = main.state;
    core::StripAction action = core::stripClickAction(state, x, y);
    switch (action) {
        case core::StripAction::None: break;
        case core::StripAction::ChooseFileA: chooseFileA(main); break;
        case core::StripAction::ChooseFileB: chooseFileB(main); break;
        case core::StripAction::ChooseFolder: chooseFolderInto(main, main.editA, kFolderToSearchPrompt); break;
        case core::StripAction::ChooseReferenceFolder: chooseFolderInto(main, main.editB, kReferenceFolderPrompt); break;
        case core::StripAction::NextMode: switchToNextMode(main); break;
        case core::StripAction::Start: pressStart(main); break;
        case core::StripAction::Abort: pressAbort(main); break;
        case core::StripAction::About: openAbout(main.window, state); break;
        case core::StripAction::TogglePause:
            core::togglePause(state, main.effects);
            invalidate(main.window, core::stripArea(state.clientWidth), true);
            break;
        case core::StripAction::Help: openHelpPage(main); break;
    }
}

HFONT stripFontFitting(const MainWindow& main, HDC dc, const std::string& text, int width) {
    for (const OwnedFont& font : main.stripFonts) {
        SelectedObject selected(dc, font.get());
        SIZE size{};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        if (size.cx <= width) return font.get();
    }
    return main.stripFonts.back().get();
}

void pressStart(MainWindow& main) {
    invalidate(main.window, core::stripArea(main.state.clientWidth), true);
    main.list.followFromTheStart();
    core::startRun(main.state, main.effects);
}

void pressAbort(MainWindow& main) {
    invalidate(main.window, core::stripArea(main.state.clientWidth), true);
    core::requestAbort(main.state);
}

}  // namespace ui
