// The painted strip as data: what it shows for the state, which button the
// pointer lights, what each move must repaint, and what a click does. The
// window draws the layout and carries out the action; the tests read both
// without a window.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "core/app_state.h"

namespace core {

struct StripRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const StripRect&) const = default;
};

enum class ButtonKind { Small, Wide, ModeSwitch };

struct StripButton {
    ButtonKind kind = ButtonKind::Small;
    int left = 0, top = 0;
    bool hot = false;
    std::string caption;  // empty for the mode switch
};

struct StripText {
    std::string text;
    StripRect rect;
};

// What one paint of the strip shows.
struct StripLayout {
    bool paints = false;  // nothing at all at 200 pixels or less
    std::vector<StripText> labels;
    bool showsProgress = false;  // a worker runs
    int barEnd = 0;              // the black bar runs from x 3 to here
    std::string percentText;     // empty when the bar is too short for it
    StripRect percentRect;
    bool showsCurrentFile = false;
    StripRect currentFileRect;
    std::vector<StripButton> buttons;
    std::uint32_t modeForm = 0;  // the searchMode the knob points at
};

// The strip's height at the top of the client area; the list begins below it.
constexpr int kStripHeight = 120;

// The strip's geometry for a client width w.
StripRect stripArea(std::uint32_t clientWidth);            // (0, 0) to (w, 120)
StripRect progressArea(std::uint32_t clientWidth);         // (0, 0) to (w - 175, 60)

// Where the bar ends for the width; a percentage above 99 is written back
// as 99 and fills the whole bar.
int progressBarEnd(std::uint32_t clientWidth, std::atomic<std::uint32_t>& progressPercent);

// What to draw now. Reads progressPercent (and may write it back, as above).
StripLayout layoutStrip(AppState& state);

// A pointer move to client position (x, y): sets or clears the hover flags
// and returns the areas that must be repainted (without erasing).
std::vector<StripRect> trackHover(AppState& state, std::uint32_t x, std::uint32_t y);

enum class StripAction { None, ChooseFileA, ChooseFileB, ChooseFolder, NextMode, Start, Abort, About, TogglePause, Help };

// What a left-button release does: the first lit button that is live now.
StripAction stripClickAction(const AppState& state);

// File -> Directory -> Quick Dir -> File.
std::uint32_t nextSearchMode(std::uint32_t searchMode);

}  // namespace core
