#include "send/key_chord.h"

namespace moravel {

std::vector<KeyStroke> KeyChord::strokes() const {
  const VirtualKey modifiers[] = {thirdModifier, secondModifier, firstModifier};
  std::vector<KeyStroke> out;
  out.reserve(8);
  for (VirtualKey modifier : modifiers) {
    if (modifier != 0) out.push_back({modifier, false});
  }
  out.push_back({key, false});
  for (VirtualKey modifier : modifiers) {
    if (modifier != 0) out.push_back({modifier, true});
  }
  out.push_back({key, true});
  return out;
}

}  // namespace moravel
