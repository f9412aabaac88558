#include "send/mouse_watch_win.h"

namespace moravel {
namespace {

class LowLevelMouseHook : public HookInstaller {
 public:
  HookHandle install() override {
    return reinterpret_cast<HookHandle>(
        SetWindowsHookExW(WH_MOUSE_LL, mouseHookProcedure, GetModuleHandleW(nullptr), 0));
  }
  bool remove(HookHandle hook) override {
    return UnhookWindowsHookEx(reinterpret_cast<HHOOK>(hook)) != FALSE;
  }
};

}  // namespace

MouseWatch& mouseWatch() {
  static LowLevelMouseHook hook;
  static MouseWatch watch(hook);
  return watch;
}

LRESULT CALLBACK mouseHookProcedure(int code, WPARAM message, LPARAM record) {
  MouseWatch& watch = mouseWatch();
  if (code >= 0 && record != 0 && watch.armed()) {
    // A copy: the system's record is handed on untouched.
    const MSLLHOOKSTRUCT event = *reinterpret_cast<const MSLLHOOKSTRUCT*>(record);
    try {
      const HWND window = WindowFromPoint(event.pt);
      watch.report(static_cast<unsigned>(message), event.mouseData, windowNumber(window),
                   event.pt.x, event.pt.y);
    } catch (...) {
      // Nothing may cross the system's call; the event still goes on.
    }
  }
  // The listener may have disarmed the watch: hand on with the handle now held.
  return CallNextHookEx(reinterpret_cast<HHOOK>(watch.hook()), code, message, record);
}

}  // namespace moravel
