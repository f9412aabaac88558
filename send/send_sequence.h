#pragma once
// The send as data: a list of steps (wait, key chord, status text, disarm) that
// a SendActions carries out one after another. The Win32 actions wait with the
// pumping delay and synthesise keys; tests record the steps with a fake clock.

#include <span>
#include <string_view>

#include "send/key_chord.h"
#include "send/pumping_delay.h"

namespace moravel {

inline constexpr std::string_view kStatusSent = "发送成功";

struct SendStep {
  enum class Kind { Pause, Chord, ShowStatus, Disarm };
  Kind kind = Kind::Pause;
  PumpingDelay pause{};
  KeyChord chord{};
  std::string_view status{};

  static constexpr SendStep waitFor(int milliseconds) {
    return {Kind::Pause, PumpingDelay{milliseconds, 0}, {}, {}};
  }
  static constexpr SendStep press(KeyChord keys) { return {Kind::Chord, {}, keys, {}}; }
  static constexpr SendStep show(std::string_view text) { return {Kind::ShowStatus, {}, {}, text}; }
  static constexpr SendStep disarmWatch() { return {Kind::Disarm, {}, {}, {}}; }
};

// Paste the clipboard and send it: the client needs a moment after the click
// to put the caret into its input line, and another after the paste before
// Alt+S finds the text there.
inline constexpr SendStep kPasteAndSend[] = {
    SendStep::waitFor(300),        SendStep::press(kPasteChord), SendStep::waitFor(100),
    SendStep::press(kSendChord),   SendStep::show(kStatusSent),  SendStep::disarmWatch(),
};

class SendActions {
 public:
  virtual ~SendActions() = default;
  // Waits while the thread's messages keep being dispatched; anything of the
  // program, the mouse watch included, may run inside.
  virtual void pause(const PumpingDelay& delay) = 0;
  virtual void keyChord(const KeyChord& chord) = 0;
  // The status line of the main window.
  virtual void showStatus(std::string_view text) = 0;
  virtual bool disarm() = 0;
};

// Carries out the steps in order. A disarm that fails is not looked at: the
// watch then stays armed and the next release over a chat window sends again.
void runSendSteps(std::span<const SendStep> steps, SendActions& actions);

}  // namespace moravel
