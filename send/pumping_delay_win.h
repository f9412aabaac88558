#pragma once
// A wait on the GUI thread that keeps dispatching the thread's messages, so
// that the main window keeps painting and the mouse watch keeps being served.
// Anything of the program, the mouse watch's listener included, may run
// inside it; callers must expect that nesting.

#include <windows.h>

#include <functional>

#include "send/pumping_delay.h"

namespace moravel {

// Waits delay.milliseconds() while dispatching messages; always ends and
// always returns true. It sleeps on a waitable timer and the message queue,
// waking only for what arrives. When the timer cannot be created or started,
// or the wait fails, it goes on waiting for what is left of the time with a
// deadline, still dispatching.
bool pumpingDelay(int amount, DelayUnit unit = 0);

// Dispatches the messages waiting in the calling thread's queue, each through
// the pre-translation below, TranslateMessage and DispatchMessageW as in the
// main loop, until none is waiting or the next is WM_QUIT, which stays in the
// queue for the main loop.
void processPendingMessages();

// What the main loop does with a message before translating it (dialog
// navigation, accelerators); true when it took care of the message. None by
// default.
using MessagePreTranslator = std::function<bool(MSG&)>;
void setMessagePreTranslator(MessagePreTranslator preTranslate);

// The wait of pumpingDelay with a timer the caller owns; a null or unusable
// timer takes the deadline fallback. For tests of that fallback.
bool pumpingWait(HANDLE timer, const PumpingDelay& delay);

}  // namespace moravel
