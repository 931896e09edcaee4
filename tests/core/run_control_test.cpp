#include "core/run_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "support/temp_folder.h"

namespace core {
namespace {

using Calls = std::vector<std::string>;

// Stands in for the window: records every effect in order and answers the
// path edits and the close prompt as told.
class FakeWindow {
public:
    std::string editA;
    std::string editB;
    std::uint32_t promptAnswer = kPromptSecond;
    std::function<void()> whilePromptShown;
    std::function<void()> atWorkerStart;
    Calls calls;
    RunRequest request;  // what the last worker was handed
    std::string refusal;  // why Start was refused

    WindowEffects effects() {
        WindowEffects e;
        e.readPathEditA = [this] {
            record("readPathEditA");
            return editA;
        };
        e.readPathEditB = [this] {
            record("readPathEditB");
            return editB;
        };
        e.startProgressTimer = recorder("startProgressTimer");
        e.stopProgressTimer = recorder("stopProgressTimer");
        e.startCloseTimer = recorder("startCloseTimer");
        e.stopCloseTimer = recorder("stopCloseTimer");
        e.startWorker = [this](const RunRequest& handed) {
            record("startWorker");
            request = handed;
            if (atWorkerStart) atWorkerStart();
        };
        e.repaintStrip = recorder("repaintStrip");
        e.repaintProgress = recorder("repaintProgress");
        e.refreshEditStates = recorder("refreshEditStates");
        e.runEnded = recorder("runEnded");
        e.saveSettings = recorder("saveSettings");
        e.destroyWindow = recorder("destroyWindow");
        e.askCloseDuringRun = [this] {
            record("askCloseDuringRun");
            if (whilePromptShown) whilePromptShown();
            return promptAnswer;
        };
        e.refuseRun = [this](const char* why) {
            record("refuseRun");
            refusal = why;
        };
        return e;
    }

private:
    void record(const char* name) { calls.emplace_back(name); }
    std::function<void()> recorder(const char* name) {
        return [this, name] { record(name); };
    }
};

// A run in progress as the worker would leave it between two steps.
void setRun(AppState& state, std::uint32_t runState, std::uint32_t runControl) {
    state.runState = runState;
    state.runControl = runControl;
    if (runControl == run_control::kPaused)
        state.pauseGate.close();
    else
        state.pauseGate.open();
}

TEST(StartRun, StartsOnlyWithThePathsItsModeNeeds) {
    testing_support::TempFolder f;
    const std::string card = f.makeFolder("card");
    const std::string library = f.makeFolder("library");
    const std::string sameAsCard = card + platform::kPathSeparator + ".";
    struct Case {
        const char* name;
        std::uint32_t mode;
        std::string editA;
        std::string editB;
        bool starts;
        std::uint8_t forgetChecksums = 0, searchEveryFile = 0;  // the two search options
    };
    const Case cases[] = {
        {"File mode, path A empty", search_mode::kFile, "", "b.bin", false},
        {"File mode, path B empty", search_mode::kFile, "a.bin", "", false},
        {"File mode, both paths", search_mode::kFile, "a.bin", "b.bin", true},
        {"Directory, path A empty", search_mode::kDirectory, "", "b.bin", false},
        {"Directory without a reference", search_mode::kDirectory, "/data", "", true},
        {"a path of any length, whole", search_mode::kDirectory, std::string(1000, 'p'), "", true},
        {"Quick Dir, checksums not remembered", search_mode::kQuickDir, "/tree", "", true, 1, 0},
        {"Quick Dir, every file searched", search_mode::kQuickDir, "/tree", "", true, 0, 1},
        {"Quick Dir with a reference", search_mode::kQuickDir, card, library, true},
        {"Directory, the reference is the folder", search_mode::kDirectory, card, sameAsCard, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppState state;
        state.settings.searchMode = c.mode;
        state.settings.matchPercent = 97;
        state.settings.hashEnabled = 0;
        state.settings.forgetChecksums = c.forgetChecksums;
        state.settings.searchEveryFile = c.searchEveryFile;
        state.dataFolder = "/data/";
        state.list.insertRow(0, "Start");
        state.list.insertRow(1, "End");
        state.pairCount = 7;
        state.progressPercent = 42;
        FakeWindow window;
        window.editA = c.editA;
        window.editB = c.editB;
        std::uint32_t stateAtWorkerStart = 0;
        std::uint32_t pairsAtWorkerStart = 99;
        window.atWorkerStart = [&] {
            stateAtWorkerStart = state.runState;
            pairsAtWorkerStart = state.pairCount;
        };

        startRun(state, window.effects());

        EXPECT_EQ(state.list.rowCount(), 0);  // cleared whether or not it starts
        const bool fileMode = c.mode == search_mode::kFile;
        EXPECT_EQ(state.runControl.load(), run_control::kRun);
        if (c.starts) {
            // The worker is told its mode, paths and options; path B is the
            // second file in File mode, the reference folder in the others.
            EXPECT_EQ(window.request.mode, c.mode);
            EXPECT_EQ(window.request.pathA, c.editA);
            EXPECT_EQ(window.request.pathB, fileMode ? c.editB : "");
            EXPECT_EQ(window.request.reference, fileMode ? "" : c.editB);
            // The window knows from the start that column B is not to be touched.
            EXPECT_EQ(state.referenceInList, !fileMode && !c.editB.empty());
            EXPECT_EQ(window.request.matchPercent, 97u);
            EXPECT_FALSE(window.request.hash);
            // A folder search's cache lies in the data folder unless "Remember
            // checksums" is off; its file limit holds unless "Search every file" is on.
            if (!fileMode) {
                EXPECT_EQ(window.request.cacheFile, c.forgetChecksums ? "" : "/data/dPairSum.dat");
                EXPECT_EQ(window.request.fileLimit, c.searchEveryFile ? kNoFileLimit : kWindowFileLimit);
            }
            EXPECT_EQ(state.runState.load(), run_state::kRunning);
            EXPECT_EQ(state.pairCount.load(), 0u);
            EXPECT_EQ(state.progressPercent.load(), 0u);
            EXPECT_EQ(stateAtWorkerStart, run_state::kRunning);
            EXPECT_EQ(pairsAtWorkerStart, 0u);
            EXPECT_EQ(window.calls.back(), "startWorker");
            EXPECT_EQ(std::count(window.calls.begin(), window.calls.end(), "startProgressTimer"), 1);
        } else {
            EXPECT_EQ(state.runState.load(), run_state::kIdle);
            EXPECT_EQ(state.pairCount.load(), 7u);
            EXPECT_EQ(state.progressPercent.load(), 42u);
            EXPECT_EQ(std::count(window.calls.begin(), window.calls.end(), "startWorker"), 0);
            EXPECT_EQ(std::count(window.calls.begin(), window.calls.end(), "startProgressTimer"), 0);
        }
        EXPECT_EQ(std::count(window.calls.begin(), window.calls.end(), "readPathEditB"), c.editA.empty() ? 0 : 1);
        // Only two paths that both name one folder are refused, and said so.
        EXPECT_EQ(!window.refusal.empty(), !fileMode && c.editB == sameAsCard);
    }
}

TEST(TogglePause, PausesResumesAndIgnoresAnAbortOrAnEndedRun) {
    struct Case {
        const char* name;
        std::uint32_t runState;
        std::uint32_t runControl;
        std::uint32_t expectedControl;
        bool expectedGateOpen;
    };
    const Case cases[] = {
        {"running: pause", run_state::kRunning, run_control::kRun, run_control::kPaused, false},
        {"paused: resume", run_state::kRunning, run_control::kPaused, run_control::kRun, true},
        {"between pairs: pause", run_state::kStopping, run_control::kRun, run_control::kPaused, false},
        {"abort requested: nothing", run_state::kStopping, run_control::kAbort, run_control::kAbort, true},
        {"idle: nothing", run_state::kIdle, run_control::kRun, run_control::kRun, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppState state;
        setRun(state, c.runState, c.runControl);
        FakeWindow window;
        togglePause(state, window.effects());
        EXPECT_EQ(state.runControl.load(), c.expectedControl);
        EXPECT_EQ(state.pauseGate.isOpen(), c.expectedGateOpen);
        EXPECT_EQ(state.runState.load(), c.runState);
        EXPECT_EQ(window.calls, Calls{"repaintStrip"});
    }
}

TEST(TogglePause, ResumeWakesAWaitingWorker) {
    AppState state;
    setRun(state, run_state::kRunning, run_control::kRun);
    FakeWindow window;
    togglePause(state, window.effects());
    std::atomic<bool> passed{false};
    std::thread worker([&] {
        state.pauseGate.wait();
        passed = true;
    });
    togglePause(state, window.effects());
    worker.join();
    EXPECT_TRUE(passed);
    EXPECT_EQ(state.runControl.load(), run_control::kRun);
}

TEST(RequestAbort, StopsARunningWorkerAndLeavesOthersAlone) {
    struct Case {
        const char* name;
        std::uint32_t runState;
        std::uint32_t runControl;
        std::uint32_t expectedState;
        std::uint32_t expectedControl;
    };
    const Case cases[] = {
        {"running", run_state::kRunning, run_control::kRun, run_state::kStopping, run_control::kAbort},
        {"paused", run_state::kRunning, run_control::kPaused, run_state::kStopping, run_control::kAbort},
        {"comparator fault row", run_state::kFault, run_control::kRun, run_state::kStopping, run_control::kAbort},
        {"idle", run_state::kIdle, run_control::kRun, run_state::kIdle, run_control::kRun},
        {"batch delete runs", run_state::kBatchRunning, run_control::kRun, run_state::kBatchRunning,
         run_control::kRun},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppState state;
        setRun(state, c.runState, c.runControl);
        requestAbort(state);
        EXPECT_EQ(state.runState.load(), c.expectedState);
        EXPECT_EQ(state.runControl.load(), c.expectedControl);
        EXPECT_TRUE(state.pauseGate.isOpen());  // a paused worker must wake to see it
    }
}

TEST(EndRun, ResetsTheRequestsThenRefreshesTheEdits) {
    const std::pair<std::uint32_t, std::uint32_t> endings[] = {
        {run_state::kRunning, run_control::kRun},
        {run_state::kRunning, run_control::kPaused},
        {run_state::kStopping, run_control::kAbort},
        {run_state::kOpenError, run_control::kRun},
    };
    for (auto [runState, runControl] : endings) {
        SCOPED_TRACE("runState " + std::to_string(runState) + ", runControl " + std::to_string(runControl));
        AppState state;
        setRun(state, runState, runControl);
        FakeWindow window;
        std::uint32_t stateAtRefresh = 99;
        WindowEffects effects = window.effects();
        effects.refreshEditStates = [&] { stateAtRefresh = state.runState; };
        endRun(state, effects);
        EXPECT_EQ(state.runState.load(), run_state::kIdle);
        EXPECT_EQ(state.runControl.load(), run_control::kRun);
        EXPECT_TRUE(state.pauseGate.isOpen());
        EXPECT_EQ(stateAtRefresh, run_state::kIdle);
    }
}

TEST(EndRun, LackOfMemorySaysSoAndEndsInAnError) {
    platform::setConsoleMode(true);
    testing::internal::CaptureStderr();
    const RunOutcome outcome = notEnoughMemory();
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("Not enough memory"), std::string::npos);
    EXPECT_EQ(outcome.status, RunStatus::Error);
    EXPECT_EQ(outcome.message, "Not enough memory");
}

TEST(ProgressTimer, RepaintsWhatTheStateCallsFor) {
    struct Case {
        const char* name;
        std::uint32_t runState;
        std::uint32_t runControl;
        Calls expected;
    };
    const Calls endOfRun{"repaintStrip", "stopProgressTimer"};
    const Case cases[] = {
        {"idle", run_state::kIdle, run_control::kRun, endOfRun},
        {"right-click request", run_state::kRightClickIdle, run_control::kRun, endOfRun},
        {"first code above a worker's", run_state::kLastWorkerCode + 1, run_control::kRun, endOfRun},
        {"running", run_state::kRunning, run_control::kRun, {"repaintProgress"}},
        {"last worker code", run_state::kLastWorkerCode, run_control::kRun, {"repaintProgress"}},
        {"between pairs", run_state::kStopping, run_control::kRun, {"repaintProgress"}},
        {"paused", run_state::kRunning, run_control::kPaused, {}},
        {"aborting", run_state::kStopping, run_control::kAbort, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppState state;
        setRun(state, c.runState, c.runControl);
        FakeWindow window;
        onProgressTimerTick(state, window.effects());
        EXPECT_EQ(window.calls, c.expected);
    }
}

TEST(CloseRequest, SavesWhenIdleAndAsksDuringARun) {
    struct Case {
        const char* name;
        std::uint32_t runState;
        std::uint32_t answer;
        bool runEndsWhileAsking;
        Calls expected;
        std::uint32_t expectedState;
        std::uint32_t expectedControl;
    };
    const Case cases[] = {
        {"idle", run_state::kIdle, kPromptFirst, false, {"saveSettings", "destroyWindow"}, run_state::kIdle,
         run_control::kRun},
        {"running, close anyway", run_state::kRunning, kPromptFirst, false, {"askCloseDuringRun", "startCloseTimer"},
         run_state::kStopping, run_control::kAbort},
        {"running, don't close", run_state::kRunning, kPromptSecond, false, {"askCloseDuringRun"},
         run_state::kRunning, run_control::kPaused},
        {"ended while asking, close anyway", run_state::kRunning, kPromptFirst, true,
         {"askCloseDuringRun", "refreshEditStates", "runEnded", "saveSettings", "destroyWindow"}, run_state::kIdle,
         run_control::kRun},
        {"ended while asking, don't close", run_state::kRunning, kPromptSecond, true,
         {"askCloseDuringRun", "refreshEditStates", "runEnded"}, run_state::kIdle, run_control::kRun},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppState state;
        // Paused, so the test also sees whether an abort opens the gate.
        setRun(state, c.runState, c.runState == run_state::kIdle ? run_control::kRun : run_control::kPaused);
        FakeWindow window;
        window.promptAnswer = c.answer;
        const WindowEffects effects = window.effects();
        if (c.runEndsWhileAsking) window.whilePromptShown = [&] { endRun(state, effects); };
        onCloseRequest(state, effects);
        EXPECT_EQ(window.calls, c.expected);
        EXPECT_EQ(state.runState.load(), c.expectedState);
        EXPECT_EQ(state.runControl.load(), c.expectedControl);
        EXPECT_EQ(state.pauseGate.isOpen(), c.expectedControl != run_control::kPaused);
    }
}

TEST(CloseTimer, DestroysTheWindowOnlyOnceTheWorkerHasEnded) {
    struct Case {
        std::uint32_t runState;
        Calls expected;
    };
    const Case cases[] = {
        {run_state::kIdle, {"stopCloseTimer", "destroyWindow"}},
        {run_state::kStopping, {}},
        {run_state::kRunning, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("runState " + std::to_string(c.runState));
        AppState state;
        setRun(state, c.runState, run_control::kAbort);
        FakeWindow window;
        onCloseTimerTick(state, window.effects());
        EXPECT_EQ(window.calls, c.expected);
    }
}

// Effects that a worker thread may call, counted without a lock.
struct CountingEffects {
    std::atomic<int> closeTimers{0};
    std::atomic<int> saves{0};
    std::atomic<int> destroys{0};

    WindowEffects effects() {
        WindowEffects e;
        e.startCloseTimer = [this] { ++closeTimers; };
        e.saveSettings = [this] { ++saves; };
        e.destroyWindow = [this] { ++destroys; };
        e.askCloseDuringRun = [] { return kPromptFirst; };
        return e;
    }
};

// One burst of what the window thread may do while the worker ends; each
// mix starts with the worker either running or paused.
void windowRequests(AppState& state, const WindowEffects& effects, int mix) {
    switch (mix % 4) {
        case 0:
            togglePause(state, effects);
            togglePause(state, effects);
            togglePause(state, effects);
            break;
        case 1:
            requestAbort(state);
            togglePause(state, effects);
            break;
        case 2:
            togglePause(state, effects);
            requestAbort(state);
            break;
        default:
            onCloseRequest(state, effects);
            togglePause(state, effects);
            break;
    }
}

bool closesInMix(int mix) { return mix % 4 == 3; }

// Requests racing the worker's last step never outlive it: once the worker
// has ended no abort or pause is left with no worker to clear it, and a
// confirmed close always ends with the window destroyed. The window side keeps
// sending requests until the worker is gone, and the worker ends after a
// varying delay, so the two meet at many different points.
TEST(ConcurrentRunControl, RequestsRacingEndRunNeverOutliveTheWorker) {
    for (int round = 0; round < 2000; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        AppState state;
        setRun(state, run_state::kRunning, round % 8 < 4 ? run_control::kRun : run_control::kPaused);
        CountingEffects counts;
        const WindowEffects effects = counts.effects();
        std::atomic<bool> go{false};
        std::atomic<bool> ended{false};
        std::thread worker([&] {
            while (!go.load()) std::this_thread::yield();
            std::atomic<int> delay{round % 64};
            while (delay.fetch_sub(1, std::memory_order_relaxed) > 0) {
            }
            endRun(state, effects);
            ended = true;
        });
        go = true;
        do {
            windowRequests(state, effects, round);
        } while (!closesInMix(round) && !ended.load());
        worker.join();

        ASSERT_EQ(state.runState.load(), run_state::kIdle);
        ASSERT_EQ(state.runControl.load(), run_control::kRun);
        ASSERT_TRUE(state.pauseGate.isOpen());
        if (counts.closeTimers > 0) onCloseTimerTick(state, effects);
        const int closes = closesInMix(round) ? 1 : 0;
        ASSERT_EQ(counts.destroys.load(), closes);
        ASSERT_EQ(counts.saves.load() + counts.closeTimers.load(), closes);
    }
}

}  // namespace
}  // namespace core
