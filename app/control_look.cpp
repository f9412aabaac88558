#include "app/control_look.h"

#include <cctype>

namespace moravel {
namespace {

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// Win32 style values (winuser.h), kept here so this file needs no Windows.
constexpr std::uint32_t kButtonTypeMask = 0x0F;  // BS_TYPEMASK
constexpr std::uint32_t kComboTypeMask = 0x03;
constexpr std::uint32_t kComboSimple = 0x01;  // CBS_SIMPLE

ControlKind buttonKind(std::uint32_t style) {
  switch (style & kButtonTypeMask) {
    case 0x0:  // BS_PUSHBUTTON
    case 0x1:  // BS_DEFPUSHBUTTON
      return ControlKind::pushButton;
    case 0x2:  // BS_CHECKBOX
    case 0x3:  // BS_AUTOCHECKBOX
    case 0x5:  // BS_3STATE
    case 0x6:  // BS_AUTO3STATE
      return ControlKind::checkBox;
    case 0x4:  // BS_RADIOBUTTON
    case 0x9:  // BS_AUTORADIOBUTTON
      return ControlKind::radioButton;
    case 0x7:  // BS_GROUPBOX
      return ControlKind::groupBox;
    default:  // owner-drawn, user, split and command-link buttons
      return ControlKind::other;
  }
}

}  // namespace

ControlKind classifyControl(std::string_view className, std::uint32_t style) {
  if (sameName(className, "Button")) return buttonKind(style);
  if (sameName(className, "Edit")) return ControlKind::editBox;
  if (sameName(className, "ComboBox")) {
    return (style & kComboTypeMask) == kComboSimple ? ControlKind::other : ControlKind::comboBox;
  }
  if (sameName(className, "ComboLBox")) return ControlKind::comboBox;
  if (sameName(className, "msctls_updown32")) return ControlKind::upDown;
  return ControlKind::other;
}

LookScheme lookScheme(int /*scheme*/) {
  return LookScheme{
      rgb(164, 185, 127),  // editFrame
      rgb(164, 185, 127),  // buttonFrame
      rgb(240, 245, 232),  // buttonFace
      rgb(208, 222, 184),  // buttonPressed
      rgb(0, 0, 0),        // buttonText
  };
}

}  // namespace moravel
