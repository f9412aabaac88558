#pragma once
// setControlLook: from the moment it is called, the GUI thread's standard
// controls are drawn by the program in a colour scheme of its own: every
// window the thread has (with all its children) and every window it creates
// later, message boxes and their buttons included, are taken over.
//
// What the program draws itself: push buttons (face, outline, text, focus),
// and the border of edit boxes that have one (its outer line in the scheme's
// frame colour). Check boxes, radio buttons, group boxes, drop-down combo boxes
// and up-down controls are taken over as well but keep the system's drawing
// (its visual styles, when the manifest brings them). Every other window, tree
// views and status bars among them, is left alone.
//
// It is switched on once and stays on: the thread hook that sees each new
// window lives until the process ends.

#include <windows.h>

namespace moravel {

void setControlLook(int scheme);

// Whether the window has been taken over (for tests).
bool isTakenOver(HWND window);

}  // namespace moravel
