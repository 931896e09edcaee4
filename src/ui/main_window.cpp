#include "ui/main_window.h"

#include "resource_ids.h"
#include "ui/window_effects.h"

namespace ui {
namespace {

// What a main window carries: the state it shows and the effects run
// control uses on it. Made at WM_NCCREATE, freed at WM_NCDESTROY.
struct MainWindow {
    core::AppState& state;
    core::WindowEffects effects;
};

MainWindow* mainWindowOf(HWND window) {
    return reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void onNcCreate(HWND window, const CREATESTRUCTA& create) {
    auto& state = *static_cast<core::AppState*>(create.lpCreateParams);
    auto* main = new MainWindow{state, makeWindowEffects(window, state)};
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(main));
}

void onNcDestroy(HWND window) {
    delete mainWindowOf(window);
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
}

void onTimer(MainWindow& main, WPARAM timerId) {
    if (timerId == kProgressTimerId)
        core::onProgressTimerTick(main.state, main.effects);
    else if (timerId == kCloseTimerId)
        core::onCloseTimerTick(main.state, main.effects);
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) onNcCreate(window, *reinterpret_cast<CREATESTRUCTA*>(lParam));
    MainWindow* main = mainWindowOf(window);
    if (!main) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
        case WM_CREATE: return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        case WM_CLOSE: core::onCloseRequest(main->state, main->effects); return 0;
        case WM_TIMER: onTimer(*main, wParam); return 0;
        case WM_NCDESTROY: onNcDestroy(window); break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void registerMainClass(HINSTANCE instance, const ProgramIcons& icons) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_BYTEALIGNWINDOW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = icons.large;
    windowClass.hIconSm = icons.small;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kMainClassName;
    RegisterClassExA(&windowClass);
}

HWND createMainWindow(HINSTANCE instance, core::AppState& state) {
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    return CreateWindowExA(WS_EX_ACCEPTFILES, kMainClassName, PAIRLOOK_TITLE, WS_OVERLAPPEDWINDOW,
                           (screenWidth - kMainWidth) / 2, (screenHeight - kMainHeight) / 2, kMainWidth,
                           kMainHeight, nullptr, nullptr, instance, &state);
}

}  // namespace ui
