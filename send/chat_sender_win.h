#pragma once
// The chat sender on Win32: asks the system about the window under the
// pointer, posts the send to a message-only window of its own, and runs it
// from there when the message loop comes to that message, with the pumping
// delay, SendInput and the status line the program gives it.
//
//   ChatSenderWin sender([&](std::string_view text) { setStatusText(1, text); });
//   ...
//   mouseWatch().arm(sender.listener());   // on a phrase double-click
//
// Create it on the GUI thread, the thread that arms the watch and runs the
// message loop. A send runs inside the dispatch of the sender's own message
// and pumps messages while it waits, so destroy the sender only from outside
// the message loop (after it has ended), never from a window handler.

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "send/chat_sender.h"
#include "send/chat_target.h"

namespace moravel {

// GetClassNameW, GetParent, GetAncestor and the process's image name about
// the window a LocationText names.
class WindowInspectorWin : public WindowInspector {
 public:
  std::optional<std::string> className(std::int32_t window) override;
  bool hasParent(std::int32_t window) override;
  std::int32_t rootWindow(std::int32_t window) override;
  // Asked with limited query rights, which a process of the same user grants
  // and an elevated one refuses; then nothing.
  std::optional<std::string> processImagePath(std::int32_t window) override;
};

// Shows a program text (GBK) in the status line.
using ShowStatus = std::function<void(std::string_view)>;

class ChatSenderWin {
 public:
  explicit ChatSenderWin(ShowStatus showStatus);
  // Disarms the watch: it would otherwise go on calling into a sender that
  // is gone.
  ~ChatSenderWin();
  ChatSenderWin(const ChatSenderWin&) = delete;
  ChatSenderWin& operator=(const ChatSenderWin&) = delete;

  // The listener to arm the mouse watch with.
  MouseListener listener() { return sender_.listener(); }
  bool sending() const { return sender_.sending(); }

 private:
  class Scheduler : public SendScheduler {
   public:
    bool schedule() override;
    HWND window = nullptr;
  };
  class Actions : public SendActions {
   public:
    void pause(const PumpingDelay& delay) override;
    void keyChord(const KeyChord& chord) override;
    void showStatus(std::string_view text) override;
    bool disarm() override;
    ShowStatus showStatusText;
  };

  static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  WindowInspectorWin inspector_;
  Scheduler scheduler_;
  Actions actions_;
  ChatSender sender_{inspector_, scheduler_, actions_};
};

}  // namespace moravel
