// The pumping wait: messages that arrive while it waits are dispatched while
// it waits, WM_QUIT is left for the main loop, and without a usable timer it
// still waits about the time asked and ends.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "send/pumping_delay_win.h"
#include "send_win_support.h"

namespace moravel {
namespace {

using namespace send_test;
using namespace std::chrono_literals;

constexpr UINT kPostedBefore = WM_APP + 1;
constexpr UINT kPostedDuring = WM_APP + 2;
constexpr UINT kCloseTheTimer = WM_APP + 3;

struct Dispatched {
  UINT message;
  bool duringTheWait;
};

bool gWaiting = false;
std::vector<Dispatched> gDispatched;
HANDLE gTimerToClose = nullptr;

LRESULT CALLBACK recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kPostedBefore || message == kPostedDuring || message == WM_TIMER) {
    gDispatched.push_back({message, gWaiting});
    if (message == WM_TIMER) KillTimer(window, wParam);
    return 0;
  }
  if (message == kCloseTheTimer) {
    gDispatched.push_back({message, gWaiting});
    CloseHandle(gTimerToClose);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

class PumpingDelayWin : public testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = recordingProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"MoravelDelayTest";
    RegisterClassExW(&windowClass);
    window = CreateWindowExW(0, L"MoravelDelayTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    gDispatched.clear();
  }
  void TearDown() override {
    if (poster.joinable()) poster.join();
    DestroyWindow(window);
    pumpFor(0ms);
  }
  // Posts from another thread after a while, as input and other programs do.
  void postLater(UINT message, std::chrono::milliseconds after) {
    poster = std::thread([this, message, after] {
      std::this_thread::sleep_for(after);
      PostMessageW(window, message, 0, 0);
    });
  }
  template <class Wait>
  double timed(Wait wait) {
    gWaiting = true;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(wait());
    const auto end = std::chrono::steady_clock::now();
    gWaiting = false;
    return std::chrono::duration<double, std::milli>(end - start).count();
  }
  std::vector<UINT> dispatchedDuringTheWait() const {
    std::vector<UINT> messages;
    for (const Dispatched& d : gDispatched) {
      if (d.duringTheWait) messages.push_back(d.message);
    }
    return messages;
  }

  HWND window = nullptr;
  std::thread poster;
};

TEST_F(PumpingDelayWin, MessagesAreDispatchedDuringTheWait) {
  PostMessageW(window, kPostedBefore, 0, 0);
  SetTimer(window, 1, 30, nullptr);
  postLater(kPostedDuring, 80ms);
  timed([] { return pumpingDelay(300); });
  const std::vector<UINT> expected = {kPostedBefore, WM_TIMER, kPostedDuring};
  EXPECT_EQ(dispatchedDuringTheWait(), expected);
  EXPECT_EQ(gDispatched.size(), expected.size());  // none was left for later
}

TEST_F(PumpingDelayWin, AQuitRequestStaysForTheMainLoop) {
  PostMessageW(window, kPostedBefore, 0, 0);
  PostQuitMessage(7);
  timed([] { return pumpingDelay(100); });
  EXPECT_EQ(dispatchedDuringTheWait(), std::vector<UINT>{kPostedBefore});
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(PumpingDelayWin, NothingToWaitForEndsAtOnce) {
  // Due times of 0 and above lie in the past; the call just returns true.
  EXPECT_TRUE(pumpingDelay(0));
  EXPECT_TRUE(pumpingDelay(-5));
  EXPECT_TRUE(pumpingDelay(1, -1));
}

// Without a usable timer the wait runs by the clock, still dispatching. The
// clock is the one the fallback's deadline uses, so "at least" holds exactly.
TEST_F(PumpingDelayWin, WithoutATimerItStillWaitsAndDispatches) {
  postLater(kPostedDuring, 50ms);
  const double noTimer = timed([] { return pumpingWait(nullptr, {150}); });
  EXPECT_GE(noTimer, 150.0);
  EXPECT_EQ(dispatchedDuringTheWait(), std::vector<UINT>{kPostedDuring});
  poster.join();

  // A handle that is no timer: SetWaitableTimer refuses it.
  gDispatched.clear();
  const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  postLater(kPostedDuring, 50ms);
  const double notATimer = timed([&] { return pumpingWait(event, {150}); });
  CloseHandle(event);
  EXPECT_GE(notATimer, 150.0);
  EXPECT_EQ(dispatchedDuringTheWait(), std::vector<UINT>{kPostedDuring});
  std::printf("[ fallback ] 150 ms asked: %.1f ms without a timer, %.1f ms with a handle that is "
              "no timer\n",
              noTimer, notATimer);
}

TEST_F(PumpingDelayWin, AWaitThatFailsMidwayFinishesByTheClock) {
  // The timer's handle is closed by a message handler while the wait goes
  // on; the next MsgWaitForMultipleObjects fails.
  gTimerToClose = CreateWaitableTimerW(nullptr, FALSE, nullptr);
  ASSERT_NE(gTimerToClose, nullptr);
  postLater(kCloseTheTimer, 30ms);
  const double waited = timed([] { return pumpingWait(gTimerToClose, {200}); });
  EXPECT_GE(waited, 200.0);
  EXPECT_EQ(dispatchedDuringTheWait(), std::vector<UINT>{kCloseTheTimer});
  std::printf("[ fallback ] 200 ms asked, wait failed after 30 ms: %.1f ms\n", waited);
}

}  // namespace
}  // namespace moravel
