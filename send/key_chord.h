#pragma once
// A key combination as the keyboard events it is made of. The events are sent
// in key_chord_win.h; their order is decided here.

#include <cstdint>
#include <vector>

namespace moravel {

// A Win32 virtual-key code.
using VirtualKey = std::uint16_t;

inline constexpr VirtualKey kVkControl = 0x11;
inline constexpr VirtualKey kVkMenu = 0x12;  // Alt

struct KeyStroke {
  VirtualKey key = 0;
  bool release = false;
  friend bool operator==(const KeyStroke&, const KeyStroke&) = default;
};

struct KeyChord {
  VirtualKey key = 0;
  VirtualKey firstModifier = 0;
  VirtualKey secondModifier = 0;  // 0: none
  VirtualKey thirdModifier = 0;   // 0: none

  // Third, second, first modifier down, the key down; then the modifiers up
  // in the order they went down, and the key up last: Ctrl+V is Ctrl down,
  // V down, Ctrl up, V up. A modifier of 0 is skipped, so one modifier gives
  // four strokes and three give eight.
  std::vector<KeyStroke> strokes() const;

  friend bool operator==(const KeyChord&, const KeyChord&) = default;
};

inline constexpr KeyChord kPasteChord{'V', kVkControl};
inline constexpr KeyChord kSendChord{'S', kVkMenu};

}  // namespace moravel
