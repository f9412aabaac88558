#include "send/chat_sender.h"

namespace moravel {

void ChatSender::onMouse(MouseButton button, MouseAction action, std::string_view locationText) {
  if (button != MouseButton::Left || action != MouseAction::Released) return;
  if (sending()) return;
  const TargetRule* rule = findTargetRule(rules_, inspector_, windowNumberOf(locationText));
  if (rule == nullptr) return;
  pending_ = rule;
  if (!scheduler_.schedule()) pending_ = nullptr;
}

MouseListener ChatSender::listener() {
  return [this](MouseButton button, MouseAction action, std::string_view locationText) {
    onMouse(button, action, locationText);
  };
}

void ChatSender::runScheduledSend() {
  if (pending_ == nullptr || running_) return;
  // Ends the send however the steps end, so that a failing step cannot leave
  // every later release ignored.
  struct EndOfSend {
    ChatSender& sender;
    ~EndOfSend() {
      sender.pending_ = nullptr;
      sender.running_ = false;
    }
  } end{*this};
  running_ = true;
  runSendSteps(pending_->send, actions_);
}

}  // namespace moravel
