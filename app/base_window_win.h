#pragma once
// The one window base of the program: a static window procedure that finds
// its object (stored at WM_NCCREATE) and forwards to T::handleMessage.
// handleMessage must not throw; should it, the message gets the default
// answer, because no exception may cross into the system's code.

#include <windows.h>

namespace moravel {

template <class T>
class BaseWindow {
 public:
  HWND hwnd() const { return hwnd_; }

 protected:
  BaseWindow() = default;
  ~BaseWindow() = default;
  BaseWindow(const BaseWindow&) = delete;
  BaseWindow& operator=(const BaseWindow&) = delete;

  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    T* self = nullptr;
    if (message == WM_NCCREATE) {
      self = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      self->hwnd_ = window;
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
      self = reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = 0;
    try {
      result = self->handleMessage(message, wParam, lParam);
    } catch (...) {
      result = DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      self->hwnd_ = nullptr;
    }
    return result;
  }

  HWND hwnd_ = nullptr;
};

}  // namespace moravel
