// A list of a million pairs, as a long search leaves it. Wine's list
// control visits every row whenever a selection is dropped, tens of
// microseconds each; the window keeps it from having to, and each step
// here reports its time (measured, not asserted).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <string>
#include <vector>

#include "core/run_control.h"
#include "resource_ids.h"
#include "ui_harness.h"

namespace {

using namespace ui_test;
using Clock = std::chrono::steady_clock;

constexpr int kPairs = 1000000;

class BigListTest : public WindowTest {
protected:
    HWND list() const { return main().list.handle(); }

    void report(const char* step, Clock::time_point since) {
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
        RecordProperty(step, std::to_string(ms) + " ms");
        std::printf("%s: %lld ms\n", step, static_cast<long long>(ms));
    }

    // Where a row of the view is, for the mouse.
    LPARAM pointOf(int row) {
        RECT rect{};
        ListView_GetItemRect(list(), row, &rect, LVIR_BOUNDS);
        return MAKELPARAM(rect.left + 20, (rect.top + rect.bottom) / 2);
    }

    void click(int row, bool twice = false) {
        LPARAM at = pointOf(row);
        PostMessageA(list(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(list(), WM_LBUTTONUP, 0, at);
        if (twice) {
            PostMessageA(list(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
            PostMessageA(list(), WM_LBUTTONUP, 0, at);
        }
    }

    std::vector<int> selected() const { return main().list.selectedRows(); }
    int focused() const { return ListView_GetNextItem(list(), -1, LVNI_FOCUSED); }
};

// The rows put in pair order at the end drop a selection made during the
// run without moving the view; a click selects its row alone, and after a
// scroll the double-click opens the details on the pair clicked; a plain
// arrow key moves the selection on.
TEST_F(BigListTest, AMillionPairsPutInOrderClickedAndOpened) {
    const std::string a = folder.write("a", "same"), b = folder.write("b", "same");
    start();
    state->settings.searchMode = core::search_mode::kQuickDir;
    ui::setListColumns(main());
    state->list.insertRow(0, "Start");
    for (int i = 0; i < kPairs; ++i) state->list.insertRow(-1, {a, b, "100"});
    state->pairCount = kPairs;
    pumpPending();
    ListView_EnsureVisible(list(), kPairs / 2, FALSE);
    for (int row = kPairs / 2; row < kPairs / 2 + 5; ++row)
        ListView_SetItemState(list(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    const int top = ListView_GetTopIndex(list());

    std::vector<std::uint32_t> order(kPairs);
    std::iota(order.rbegin(), order.rend(), 0u);
    Clock::time_point since = Clock::now();
    state->list.reorderRows(1, order);
    state->list.insertRow(-1, "End");
    pumpPending();
    report("rows put in order", since);
    EXPECT_TRUE(selected().empty());
    EXPECT_EQ(focused(), -1);
    EXPECT_EQ(ListView_GetTopIndex(list()), top);

    since = Clock::now();
    click(top + 3);
    pumpPending();
    report("click", since);
    EXPECT_EQ(selected(), std::vector<int>{top + 3});

    ListView_EnsureVisible(list(), 100, FALSE);
    const int row = ListView_GetTopIndex(list()) + 2;
    int shownRow = -1;
    const int answered = dialogsAnswered();
    answerNextDialog("Duplicate File Action", IDCANCEL, [&](HWND) { shownRow = state->detailsRow.load(); });
    since = Clock::now();
    click(row, true);
    ASSERT_TRUE(pumpUntil([&] { return dialogsAnswered() > answered; }, 600000));
    report("double-click to details", since);
    EXPECT_EQ(shownRow, row);
    EXPECT_EQ(selected(), std::vector<int>{row});

    since = Clock::now();
    pressKey(window, list(), VK_DOWN);
    report("arrow key", since);
    EXPECT_EQ(selected(), std::vector<int>{row + 1});
}

}  // namespace
