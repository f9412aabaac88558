#pragma once
// Helpers of the quick-send tests under Wine: real mouse input through
// SendInput, and waiting while the thread's messages are dispatched (the
// low-level hooks are called only while the thread pumps).
#include <windows.h>

#include <chrono>
#include <functional>

namespace moravel::send_test {

// Dispatches messages until `done` holds or `limit` has passed; returns
// whether it holds. The limit only keeps a broken test from hanging.
inline bool pumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(15)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

inline void pumpFor(std::chrono::milliseconds time) {
  pumpUntil([] { return false; }, time);
}

// Moves the pointer. Absolute coordinates are in 1/65536 of the screen;
// rounding down lands one pixel short, so they are rounded up.
inline void moveTo(POINT at) {
  const LONG w = GetSystemMetrics(SM_CXSCREEN);
  const LONG h = GetSystemMetrics(SM_CYSCREEN);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = (at.x * 65536 + w - 1) / w;
  input.mi.dy = (at.y * 65536 + h - 1) / h;
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &input, sizeof input);
}

// A button or wheel event where the pointer is.
inline void mouseButton(DWORD flags, DWORD data = 0) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.mouseData = data;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof input);
}

// Move there, press and release the left button. Two clicks on one spot in
// quick succession make a double-click for the window under them: tests
// click different spots.
inline void click(POINT at) {
  moveTo(at);
  mouseButton(MOUSEEVENTF_LEFTDOWN);
  mouseButton(MOUSEEVENTF_LEFTUP);
}

inline POINT centreOf(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

inline double millisecondsBetween(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
         static_cast<double>(frequency.QuadPart);
}

inline LARGE_INTEGER now() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter;
}

}  // namespace moravel::send_test
