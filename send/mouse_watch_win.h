#pragma once
// The process's one mouse watch, over the system-wide low-level mouse hook.
//
// Arm it on the GUI thread: the system calls the hook procedure on the thread
// that installed it, and only while that thread retrieves or waits for
// messages. The procedure must return within microseconds: Windows silently
// removes a low-level hook that keeps it waiting longer than its timeout
// (LowLevelHooksTimeout, often 300 ms), and Wine does not, so a slow hook that
// works under Wine is dead on Windows. Listeners must therefore never wait.

#include <windows.h>

#include <cstdint>

#include "send/mouse_watch.h"

namespace moravel {

MouseWatch& mouseWatch();

// The procedure given to SetWindowsHookExW: reports the event to the watch's
// listener, then hands it on unchanged. Declared here so that a test can
// measure what one event costs.
LRESULT CALLBACK mouseHookProcedure(int code, WPARAM message, LPARAM record);

// The number a LocationText carries for a window: its handle as a signed
// 32-bit integer. Handles fit in 32 bits and are sign-extended when widened,
// so the round trip gives the same window.
inline std::int32_t windowNumber(HWND window) {
  return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(window));
}
inline HWND windowFromNumber(std::int32_t number) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(number));
}

}  // namespace moravel
