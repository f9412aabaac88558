#pragma once
// The quick send as the window sees it: one object, created on the GUI thread
// before the message loop and destroyed after it, that arms the mouse watch
// with the chat sender as its listener.

#include <functional>
#include <memory>
#include <string_view>

namespace moravel {

class QuickSend {
 public:
  // `showStatus` puts a program text (GBK) in the status line.
  explicit QuickSend(std::function<void(std::string_view)> showStatus);
  // Disarms the watch. Never from inside a window handler: a send may be
  // running further up the stack.
  ~QuickSend();
  QuickSend(const QuickSend&) = delete;
  QuickSend& operator=(const QuickSend&) = delete;

  // Arms the mouse watch; nothing when it is armed already.
  void arm();
  bool armed() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace moravel
