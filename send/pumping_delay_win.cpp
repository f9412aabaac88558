#include "send/pumping_delay_win.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <utility>

namespace moravel {
namespace {

using Clock = std::chrono::steady_clock;

MessagePreTranslator& preTranslator() {
  static MessagePreTranslator preTranslate;
  return preTranslate;
}

Clock::time_point deadlineAfter(const PumpingDelay& delay) {
  // Far beyond any wait of this program, and far below the clock's range.
  constexpr std::int64_t kLongest = 10LL * 366 * 24 * 3600 * 1000;
  return Clock::now() + std::chrono::milliseconds(std::min(delay.milliseconds(), kLongest));
}

// The fallback: sleeps on the message queue with a time-out, so input still
// wakes it and gets dispatched, until the deadline has passed.
void pumpUntil(Clock::time_point deadline) {
  for (;;) {
    processPendingMessages();
    const auto now = Clock::now();
    if (now >= deadline) return;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    const DWORD slice = static_cast<DWORD>(std::min<std::int64_t>(left, 0x7FFF'FFFF));
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, slice, QS_ALLINPUT) == WAIT_FAILED) {
      // Even the queue cannot be waited on: short sleeps, still dispatching.
      Sleep(std::min<DWORD>(slice, 10));
    }
  }
}

}  // namespace

void setMessagePreTranslator(MessagePreTranslator preTranslate) {
  preTranslator() = std::move(preTranslate);
}

void processPendingMessages() {
  MSG msg;
  // Looking before taking leaves WM_QUIT where the main loop will find it;
  // taking it and posting it again would wake the wait at once, forever.
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
    if (msg.message == WM_QUIT) return;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return;
    if (msg.message == WM_QUIT) {  // came in between the two looks
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    const MessagePreTranslator& preTranslate = preTranslator();
    if (preTranslate && preTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool pumpingWait(HANDLE timer, const PumpingDelay& delay) {
  const auto deadline = deadlineAfter(delay);
  LARGE_INTEGER due;
  due.QuadPart = delay.dueTime();
  if (timer == nullptr || !SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) {
    pumpUntil(deadline);
    return true;
  }
  for (;;) {
    // No time-out: the timer ends the wait. QS_ALLINPUT wakes it for every
    // kind of message, the mouse hook's calls among them.
    const DWORD result = MsgWaitForMultipleObjects(1, &timer, FALSE, INFINITE, QS_ALLINPUT);
    if (result == WAIT_OBJECT_0) return true;
    if (result == WAIT_OBJECT_0 + 1) {
      processPendingMessages();
      continue;
    }
    // A failing wait would fail again at once: finish by the clock instead.
    pumpUntil(deadline);
    return true;
  }
}

bool pumpingDelay(int amount, DelayUnit unit) {
  const PumpingDelay delay{amount, unit};
  const HANDLE timer = CreateWaitableTimerW(nullptr, FALSE, nullptr);
  const bool result = pumpingWait(timer, delay);
  if (timer != nullptr) CloseHandle(timer);
  return result;
}

}  // namespace moravel
