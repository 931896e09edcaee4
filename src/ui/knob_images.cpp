#include "ui/knob_images.h"

#include <array>

namespace ui {
namespace {

using Pixels = std::array<std::uint32_t, KnobImages::kSize * KnobImages::kSize>;

BITMAPINFO topDown32() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = KnobImages::kSize;
    info.bmiHeader.biHeight = -KnobImages::kSize;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

bool readPixels(HINSTANCE instance, const char* name, Pixels& pixels) {
    OwnedGdi<HBITMAP> stored(static_cast<HBITMAP>(LoadImageA(instance, name, IMAGE_BITMAP, 0, 0, 0)));
    if (!stored.get()) return false;
    BITMAPINFO info = topDown32();
    HDC screen = GetDC(nullptr);
    int rows = GetDIBits(screen, stored.get(), 0, KnobImages::kSize, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return rows == KnobImages::kSize;
}

// Mode 0 as stored, 1 mirrored left to right, 2 turned by 180 degrees.
Pixels form(const Pixels& stored, std::uint32_t mode) {
    constexpr int last = KnobImages::kSize - 1;
    Pixels out{};
    for (int y = 0; y <= last; ++y) {
        for (int x = 0; x <= last; ++x) {
            int fromX = mode == 0 ? x : last - x;
            int fromY = mode == 2 ? last - y : y;
            out[y * KnobImages::kSize + x] = stored[fromY * KnobImages::kSize + fromX];
        }
    }
    return out;
}

HBITMAP makeBitmap(const Pixels& pixels) {
    BITMAPINFO info = topDown32();
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) std::copy(pixels.begin(), pixels.end(), static_cast<std::uint32_t*>(bits));
    return bitmap;
}

}  // namespace

void KnobImages::load(HINSTANCE instance) {
    const char* names[2] = {"SwCBMP", "SwHBMP"};
    for (int hot = 0; hot < 2; ++hot) {
        Pixels stored{};
        if (!readPixels(instance, names[hot], stored)) continue;
        for (std::uint32_t mode = 0; mode < 3; ++mode) forms_[mode][hot] = OwnedGdi<HBITMAP>(makeBitmap(form(stored, mode)));
    }
}

HBITMAP KnobImages::image(std::uint32_t searchMode, bool hot) const {
    return forms_[searchMode < 3 ? searchMode : 0][hot ? 1 : 0].get();
}

}  // namespace ui
