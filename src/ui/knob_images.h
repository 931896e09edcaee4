// The strip's mode knob in its three forms: as stored (File), mirrored left
// to right (Directory) and turned by 180 degrees (Quick Dir), cold and hot.
// The forms are made once, pixel by pixel, so each lands exactly on its
// 24 x 24 square whatever the system's parallelogram copy does at the edges.
#pragma once

#include <windows.h>

#include <cstdint>

#include "ui/owned_handles.h"

namespace ui {

class KnobImages {
public:
    static constexpr int kSize = 24;

    // From the bitmap resources "SwCBMP" (cold) and "SwHBMP" (hot).
    void load(HINSTANCE instance);
    HBITMAP image(std::uint32_t searchMode, bool hot) const;

private:
    OwnedGdi<HBITMAP> forms_[3][2];
};

}  // namespace ui
