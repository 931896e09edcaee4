#include "ui/control_strip.h"

#include <algorithm>

#include "core/strip_model.h"
#include "ui/about_dialog.h"
#include "ui/choosers.h"
#include "ui/shell.h"

namespace ui {
namespace {

constexpr COLORREF kButtonFill = RGB(213, 215, 183);
constexpr COLORREF kButtonHotFill = RGB(229, 231, 199);

RECT toRect(const core::StripRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

void drawText(HDC dc, const std::string& text, RECT rect, UINT format) {
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, format | DT_SINGLELINE | DT_NOPREFIX);
}

void drawRoundButton(HDC dc, const core::StripButton& button) {
    bool wide = button.kind == core::ButtonKind::Wide;
    int width = wide ? 100 : 54;
    int height = wide ? 24 : 18;
    OwnedGdi<HBRUSH> fill(CreateSolidBrush(button.hot ? kButtonHotFill : kButtonFill));
    {
        SelectedObject brush(dc, fill.get());
        RoundRect(dc, button.left, button.top, button.left + width, button.top + height, 20, 20);
    }
    RECT caption{button.left + 2, button.top, button.left + width - 2, button.top + height};
    drawText(dc, button.caption, caption, DT_CENTER | DT_VCENTER);
}

void drawStripButton(HDC dc, HDC bitmapDc, const MainWindow& main, const core::StripButton& button,
                     std::uint32_t mode) {
    if (button.kind != core::ButtonKind::ModeSwitch) {
        drawRoundButton(dc, button);
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
    SelectedObject font(dc, main.stripFont.get());
    for (const core::StripText& label : layout.labels) drawText(dc, label.text, toRect(label.rect), DT_LEFT | DT_TOP);
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

void chooseFileFor(MainWindow& main, HWND edit) {
    char* path = main.state.settings.pathA;  // where the last choice is remembered
    if (chooseFile(main.window, path, kAllFilesFilter)) SetWindowTextA(edit, path);
}

void chooseFolderForEditA(MainWindow& main) {
    char folder[core::kTextBuffer] = {};
    if (chooseFolder(main.window, folder)) SetWindowTextA(main.editA, folder);
}

void switchToNextMode(MainWindow& main) {
    main.state.settings.searchMode = core::nextSearchMode(main.state.settings.searchMode);
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
    if (layout.paints && IntersectRect(&update, &paint.rcPaint, &area)) {
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

void trackHover(MainWindow& main, unsigned x, unsigned y) {
    for (const core::StripRect& area : core::trackHover(main.state, x, y)) invalidate(main.window, area, false);
}

void onStripClick(MainWindow& main) {
    core::AppState& state = main.state;
    core::StripAction action = core::stripClickAction(state);
    switch (action) {
        case core::StripAction::None: break;
        case core::StripAction::ChooseFileA: chooseFileFor(main, main.editA); break;
        case core::StripAction::ChooseFileB: chooseFileFor(main, main.editB); break;
        case core::StripAction::ChooseFolder: chooseFolderForEditA(main); break;
        case core::StripAction::NextMode: switchToNextMode(main); break;
        case core::StripAction::Start:
            invalidate(main.window, core::stripArea(state.clientWidth), true);
            core::startRun(state, main.effects);
            break;
        case core::StripAction::Abort:
            invalidate(main.window, core::stripArea(state.clientWidth), true);
            core::requestAbort(state);
            break;
        case core::StripAction::About: openAbout(main.window, state); break;
        case core::StripAction::TogglePause:
            core::togglePause(state, main.effects);
            invalidate(main.window, core::stripArea(state.clientWidth), true);
            break;
        case core::StripAction::Help: openHelp(state); break;
    }
}

}  // namespace ui
