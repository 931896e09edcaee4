// The confirmation and progress of a batch delete, on the prompt's template.
#pragma once

#include "ui/main_window.h"

namespace ui {

// runState 1020 or 1021 names the column. Runs the dialog modally; the work
// is done on a worker thread while the dialog shows each path, and the list
// is cleared once it has ended.
void openBatchDelete(MainWindow& main);

}  // namespace ui
