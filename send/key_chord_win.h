#pragma once
// Synthesises a key chord as system-wide keyboard input; it goes to whichever
// window has the keyboard focus.

#include "send/key_chord.h"

namespace moravel {

// All strokes of the chord go out in one SendInput call, so the user's own
// typing cannot land between them (a key typed between Ctrl down and V down
// would reach the chat window as Ctrl+key). True when the system took every
// stroke; nothing tells whether the focused program acted on them.
bool keyChord(const KeyChord& chord);

}  // namespace moravel
