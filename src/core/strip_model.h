// The painted strip as data: what it shows for the state, which button the
// pointer lights, what each move must repaint, and what a click does. The
// window draws the layout and carries out the action; the tests read both
// without a window.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
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
// Where the mode labels end, and how far left of the right edge Start/Abort
// begins: the narrowest client area keeps a gap between the two.
constexpr int kModeLabelsRight = 120;
constexpr int kStartAbortOffset = 170;
constexpr int kMinClientWidth = kModeLabelsRight + 10 + kStartAbortOffset;
// The list keeps room for its header and this many rows.
constexpr int kMinListRows = 4;
// The lowest client area: the strip, then the list with its frame and
// header (`listChrome` pixels high) and its rows.
int minClientHeight(int listChrome, int listRowHeight);

// The strip's geometry for a client width w.
StripRect stripArea(std::uint32_t clientWidth);            // (0, 0) to (w, 120)
StripRect startAbortButton(std::uint32_t clientWidth);     // (w - 170, 15) to (w - 70, 39)
StripRect helpButton(std::uint32_t clientWidth);           // (w - 58, 27) to (w - 4, 45)
StripRect progressArea(std::uint32_t clientWidth);         // (0, 0) to (w - 175, 60)

// Where the bar ends for the width; a percentage above 99 is written back
// as 99 and fills the whole bar.
int progressBarEnd(std::uint32_t clientWidth, std::atomic<std::uint32_t>& progressPercent);

// What to draw now. Reads progressPercent (and may write it back, as above).
StripLayout layoutStrip(AppState& state);

enum class StripButtonId { None, AboutPause, Help, ChooseA, ChooseB, ModeSwitch, StartAbort };

// The button under client position (x, y) that answers in the present
// state (Help, the choosers and the knob only while idle), or None. Choose B
// picks the second file in File mode, the reference folder in the others.
StripButtonId liveButtonAt(const AppState& state, std::int64_t x, std::int64_t y);

// A pointer move to client position (x, y): the live button under it is
// lit, and no other. Returns the areas that must be repainted (without
// erasing).
std::vector<StripRect> trackHover(AppState& state, std::int64_t x, std::int64_t y);
// The pointer has left the strip (or another window covers it): nothing lit.
std::vector<StripRect> clearHover(AppState& state);

enum class StripAction {
    None,
    ChooseFileA,
    ChooseFileB,
    ChooseFolder,           // the folder to search, for edit A
    ChooseReferenceFolder,  // the reference folder, for edit B
    NextMode,
    Start,
    Abort,
    About,
    TogglePause,
    Help
};

// What a left-button release at (x, y) does: it acts on the live button
// under the pointer at that moment, whatever is lit, so a lit state left
// over from an earlier move or a dialog can never redirect it.
StripAction stripClickAction(const AppState& state, std::int64_t x, std::int64_t y);

// File -> Directory -> Quick Dir -> File.
std::uint32_t nextSearchMode(std::uint32_t searchMode);

// Edit B holds the second file in File mode and the reference folder in the
// folder modes. A change of mode between the two kinds parks the text shown
// (AppState::parkedPathB) and returns the one parked for the new kind, to be
// shown; between two folder modes nothing changes.
std::optional<std::string> editBAfterModeChange(AppState& state, std::uint32_t from, std::uint32_t to,
                                                const std::string& shown);

}  // namespace core
