#include "app/quick_send_win.h"

#include "send/chat_sender_win.h"
#include "send/mouse_watch_win.h"

namespace moravel {

struct QuickSend::Impl {
  explicit Impl(std::function<void(std::string_view)> showStatus) : sender(std::move(showStatus)) {}
  ChatSenderWin sender;
};

QuickSend::QuickSend(std::function<void(std::string_view)> showStatus)
    : impl_(std::make_unique<Impl>(std::move(showStatus))) {}

QuickSend::~QuickSend() = default;

void QuickSend::arm() { mouseWatch().arm(impl_->sender.listener()); }

bool QuickSend::armed() const { return mouseWatch().armed(); }

}  // namespace moravel
