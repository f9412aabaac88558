#pragma once
// What the mouse watch reports for one mouse event of the desktop: which
// button, what it did, and where (the window under the pointer and the
// pointer's screen position as one text).

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace moravel {

enum class MouseButton : int {
  None = 0,  // the event is none of those classified below (moves among them)
  Left = 1,
  Right = 2,
  Middle = 3,
  Wheel = 4,
};

enum class MouseAction : int {
  None = 0,
  Pressed = 1,
  Released = 2,
  DoubleClicked = 3,
  WheelForward = 4,   // rolled away from the user: positive delta
  WheelBackward = 5,  // rolled toward the user: negative delta
};

struct MouseClass {
  MouseButton button = MouseButton::None;
  MouseAction action = MouseAction::None;
  friend bool operator==(const MouseClass&, const MouseClass&) = default;
};

// The mouse messages a low-level hook receives. Kept here so that the
// classification can be tested without <windows.h>; the values are Win32's.
namespace mouse_message {
inline constexpr unsigned kMove = 0x0200;
inline constexpr unsigned kLeftDown = 0x0201;
inline constexpr unsigned kLeftUp = 0x0202;
inline constexpr unsigned kLeftDoubleClick = 0x0203;
inline constexpr unsigned kRightDown = 0x0204;
inline constexpr unsigned kRightUp = 0x0205;
inline constexpr unsigned kRightDoubleClick = 0x0206;
inline constexpr unsigned kMiddleDown = 0x0207;
inline constexpr unsigned kMiddleUp = 0x0208;
inline constexpr unsigned kMiddleDoubleClick = 0x0209;
inline constexpr unsigned kWheel = 0x020A;
inline constexpr unsigned kExtraDown = 0x020B;
inline constexpr unsigned kExtraUp = 0x020C;
inline constexpr unsigned kExtraDoubleClick = 0x020D;
inline constexpr unsigned kHorizontalWheel = 0x020E;
}  // namespace mouse_message

// Classifies a mouse message. `mouseData` matters only for the vertical wheel,
// whose signed delta is its high 16 bits: positive rolls forward, negative
// backward, and a delta of 0 is no event at all. Everything not listed above
// as a button or wheel message (moves, extra buttons, the horizontal wheel)
// is (None, None).
MouseClass classifyMouseMessage(unsigned message, std::uint32_t mouseData);

// "window|x,y" in plain signed decimal, e.g. "655|-120,35". The window number
// is the window handle taken as a signed 32-bit integer (Win32 handles fit in
// 32 bits, and are sign-extended when widened again). Built on the stack:
// the hook procedure builds one for every mouse event and must not allocate.
class LocationText {
 public:
  LocationText(std::int32_t window, std::int32_t x, std::int32_t y);

  std::string_view view() const { return {text_, size_}; }
  const char* c_str() const { return text_; }

 private:
  // Three numbers of at most 11 characters, two separators, the NUL.
  char text_[3 * 11 + 2 + 1];
  std::size_t size_ = 0;
};

// The window number a LocationText names: the leading decimal number of the
// text before its first ",", which stops at the "|". Gives 0 (no window) for
// a text without leading digits or with a number that is no 32-bit value.
std::int32_t windowNumberOf(std::string_view locationText);

}  // namespace moravel
