#include "send/mouse_event.h"

#include <charconv>
#include <limits>

#include "text/gbk_text.h"

namespace moravel {

MouseClass classifyMouseMessage(unsigned message, std::uint32_t mouseData) {
  namespace m = mouse_message;
  switch (message) {
    case m::kLeftDown: return {MouseButton::Left, MouseAction::Pressed};
    case m::kLeftUp: return {MouseButton::Left, MouseAction::Released};
    case m::kLeftDoubleClick: return {MouseButton::Left, MouseAction::DoubleClicked};
    case m::kRightDown: return {MouseButton::Right, MouseAction::Pressed};
    case m::kRightUp: return {MouseButton::Right, MouseAction::Released};
    case m::kRightDoubleClick: return {MouseButton::Right, MouseAction::DoubleClicked};
    case m::kMiddleDown: return {MouseButton::Middle, MouseAction::Pressed};
    case m::kMiddleUp: return {MouseButton::Middle, MouseAction::Released};
    case m::kMiddleDoubleClick: return {MouseButton::Middle, MouseAction::DoubleClicked};
    case m::kWheel: {
      // The delta is the signed high half: 0xFF880000 is -120, not 65416.
      const auto delta = static_cast<std::int16_t>(static_cast<std::uint16_t>(mouseData >> 16));
      if (delta > 0) return {MouseButton::Wheel, MouseAction::WheelForward};
      if (delta < 0) return {MouseButton::Wheel, MouseAction::WheelBackward};
      return {};
    }
    default: return {};
  }
}

LocationText::LocationText(std::int32_t window, std::int32_t x, std::int32_t y) {
  char* out = text_;
  char* const end = text_ + sizeof text_ - 1;  // room for the NUL is kept
  out = std::to_chars(out, end, window).ptr;
  *out++ = '|';
  out = std::to_chars(out, end, x).ptr;
  *out++ = ',';
  out = std::to_chars(out, end, y).ptr;
  *out = '\0';
  size_ = static_cast<std::size_t>(out - text_);
}

std::int32_t windowNumberOf(std::string_view locationText) {
  const auto pieces = text::split(locationText, ",");
  if (pieces.empty()) return 0;
  const long long number = text::toNumber(pieces.front());
  if (number < std::numeric_limits<std::int32_t>::min() ||
      number > std::numeric_limits<std::int32_t>::max()) {
    return 0;
  }
  return static_cast<std::int32_t>(number);
}

}  // namespace moravel
