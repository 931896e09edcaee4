#include "ui/details_dialog.h"

namespace ui {

// Filled in with the result actions.
void openPairDetails(HWND, core::AppState&) {}

}  // namespace ui
