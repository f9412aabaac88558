#pragma once
// The program's own look for standard controls: which windows it takes over,
// and the colours of its schemes. Portable, so the rules are unit-tested; the
// drawing itself is in control_look_win.

#include <cstdint>
#include <string_view>

namespace moravel {

enum class ControlKind {
  other,  // left to the system (tree views, status bars, owner-drawn buttons ...)
  pushButton,
  checkBox,
  radioButton,
  groupBox,
  editBox,
  comboBox,  // a drop-down combo box or its drop-down list; not a simple one
  upDown,
};

// The kind of a window from its class name (compared ignoring ASCII case) and
// its style bits.
ControlKind classifyControl(std::string_view className, std::uint32_t style);

// A colour as Win32 stores it: 0x00BBGGRR.
constexpr std::uint32_t rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return r | (static_cast<std::uint32_t>(g) << 8) | (static_cast<std::uint32_t>(b) << 16);
}

struct LookScheme {
  std::uint32_t editFrame;      // the outer line of an edit box's border
  std::uint32_t buttonFrame;    // the outline of a push button
  std::uint32_t buttonFace;     // a push button at rest
  std::uint32_t buttonPressed;  // a push button held down
  std::uint32_t buttonText;
};

// The colours of a scheme. Scheme 2, the one the program uses, frames edit
// boxes in RGB(164, 185, 127); every other number gives scheme 2 as well.
LookScheme lookScheme(int scheme);

}  // namespace moravel
