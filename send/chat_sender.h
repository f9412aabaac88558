#pragma once
// ChatSender: the mouse watch's listener during a quick reply. On a left
// release over a chat window it asks the message loop to paste the clipboard
// there and send it, or only paste it for clients whose send key is the
// user's own (the rule that matched says which, chat_target.h).
//
// Recognising the window is quick and happens inside the listener call, that
// is inside the system's hook call (for today's clients it also asks for
// the root window and the program file of its process: 1 to 2 ms in all
// under Wine, far below the hook's timeout). The send itself waits 300 ms
// and more, so it must not: Windows silently removes a low-level hook whose
// procedure runs longer than its timeout (300 ms is common), after which
// disarm fails and no quick reply works until the program restarts. The send
// is therefore handed to a SendScheduler, which runs runScheduledSend() from
// the message loop.
//
// One release, one send: from recognising a window until its send has ended,
// further releases are ignored. Otherwise a second click during the waits
// would paste and send the same reply to a customer twice.

#include <cstdint>
#include <span>
#include <string_view>

#include "send/chat_target.h"
#include "send/mouse_watch.h"
#include "send/send_sequence.h"

namespace moravel {

class SendScheduler {
 public:
  virtual ~SendScheduler() = default;
  // Arranges for ChatSender::runScheduledSend() to be called soon from the
  // message loop, not from inside the current call. False when it cannot be.
  virtual bool schedule() = 0;
};

class ChatSender {
 public:
  ChatSender(WindowInspector& inspector, SendScheduler& scheduler, SendActions& actions,
             std::span<const TargetRule> rules = kTargetRules)
      : inspector_(inspector), scheduler_(scheduler), actions_(actions), rules_(rules) {}
  ChatSender(const ChatSender&) = delete;
  ChatSender& operator=(const ChatSender&) = delete;

  // The listener. Only a left release counts, and only while no send is under
  // way; the window is read from the location text and tried against the
  // rules. Everything else returns at once and changes nothing.
  void onMouse(MouseButton button, MouseAction action, std::string_view locationText);
  // onMouse as a MouseListener; the sender must outlive the watch's use of it.
  MouseListener listener();

  // Carries out the send scheduled by onMouse; nothing when none is. The
  // waits dispatch messages, so onMouse runs nested in here (and ignores
  // releases).
  void runScheduledSend();

  // From recognising a chat window until its send has ended.
  bool sending() const { return pending_ != nullptr; }

 private:
  WindowInspector& inspector_;
  SendScheduler& scheduler_;
  SendActions& actions_;
  std::span<const TargetRule> rules_;
  const TargetRule* pending_ = nullptr;
  bool running_ = false;
};

}  // namespace moravel
