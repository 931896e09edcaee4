// Owners for the window layer's handles: each closes its handle once, when
// it goes, so no early return can leak one.
#pragma once

#include <windows.h>

#include <utility>

namespace ui {

// A GDI object (font, brush, bitmap); deleted when the owner goes. Select it
// out of every device context before that.
template <typename Handle>
class OwnedGdi {
public:
    OwnedGdi() = default;
    explicit OwnedGdi(Handle handle) : handle_(handle) {}
    ~OwnedGdi() { reset(); }
    OwnedGdi(OwnedGdi&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    OwnedGdi& operator=(OwnedGdi&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    OwnedGdi(const OwnedGdi&) = delete;
    OwnedGdi& operator=(const OwnedGdi&) = delete;

    Handle get() const { return handle_; }
    void reset() {
        if (handle_) DeleteObject(handle_);
        handle_ = nullptr;
    }

private:
    Handle handle_ = nullptr;
};

using OwnedFont = OwnedGdi<HFONT>;

// A font of the program's kind: face, pixel height and weight, default
// character set.
inline OwnedFont makeFont(const char* face, int height, int weight) {
    return OwnedFont(CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face));
}

// Selects an object into a device context for one scope and puts the
// previous one back.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectedObject() { SelectObject(dc_, previous_); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace ui
