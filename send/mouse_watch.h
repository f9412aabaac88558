#pragma once
// MouseWatch: while armed, every mouse event of the desktop is reported to one
// listener as (button, action, location text). The watch never consumes or
// changes an event; the platform layer hands each one on after the listener
// has returned.
//
// The state rules live here, over a HookInstaller, so that they run in unit
// tests; mouse_watch_win.h installs the real low-level hook.

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "send/mouse_event.h"

namespace moravel {

// Called once per event, synchronously, on the thread that armed the watch.
// The location text is valid only during the call; copy what you keep.
// A listener must return at once for events it does not act on: it runs
// inside the system's hook call, which has to end within microseconds.
using MouseListener = std::function<void(MouseButton, MouseAction, std::string_view)>;

// Opaque handle of an installed hook; 0 means none.
using HookHandle = std::uintptr_t;

class HookInstaller {
 public:
  virtual ~HookInstaller() = default;
  // Installs the system-wide hook; 0 when the system refused.
  virtual HookHandle install() = 0;
  // Removes a hook install() gave; false when the system refused.
  virtual bool remove(HookHandle hook) = 0;
};

class MouseWatch {
 public:
  explicit MouseWatch(HookInstaller& installer) : installer_(installer) {}
  MouseWatch(const MouseWatch&) = delete;
  MouseWatch& operator=(const MouseWatch&) = delete;

  // When armed already, does nothing at all: the stored listener stays. Else
  // stores the listener and installs the hook; when the system refuses, the
  // watch stays disarmed (the listener is kept) and a later arm tries again.
  void arm(MouseListener listener);
  // Removes the hook. Only when that succeeds is the watch disarmed. A
  // disarmed watch fails and nothing changes. The listener stays stored.
  bool disarm();

  bool armed() const { return hook_ != 0; }
  HookHandle hook() const { return hook_; }

  // One event from the hook: classifies it, builds its location text and
  // calls the listener. Events classified (None, None), moves among them,
  // are reported too. Nothing is reported while disarmed, so no event after
  // a listener's own disarm reaches it.
  void report(unsigned message, std::uint32_t mouseData, std::int32_t window, std::int32_t x,
              std::int32_t y) const;

 private:
  HookInstaller& installer_;
  HookHandle hook_ = 0;
  // Shared so that a report holds on to the listener it is calling even when
  // that listener disarms and a nested arm stores another one.
  std::shared_ptr<const MouseListener> listener_;
};

}  // namespace moravel
