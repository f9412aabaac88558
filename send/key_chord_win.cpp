#include "send/key_chord_win.h"

#include <windows.h>

#include <vector>

namespace moravel {

bool keyChord(const KeyChord& chord) {
  const std::vector<KeyStroke> strokes = chord.strokes();
  std::vector<INPUT> inputs(strokes.size());
  for (std::size_t i = 0; i < strokes.size(); ++i) {
    INPUT& input = inputs[i];
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = strokes[i].key;
    // With its scan code the stroke looks like a real key to programs that
    // read scan codes rather than virtual keys.
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(strokes[i].key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = strokes[i].release ? KEYEVENTF_KEYUP : 0;
  }
  const UINT sent =
      SendInput(static_cast<UINT>(inputs.size()), inputs.data(), static_cast<int>(sizeof(INPUT)));
  return sent == inputs.size();
}

}  // namespace moravel
