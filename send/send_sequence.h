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
// After a paste that the user sends with the client's own key.
inline constexpr std::string_view kStatusPasted = "已粘贴，请在聊天窗口中发送";

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

// The same for Qt clients: Qt's paste is asynchronous (Ctrl+V only queues the
// clipboard read), so 100 ms later Alt+S can still find the box empty and
// send nothing, or the paste lands after the send. 300 ms covers it.
inline constexpr SendStep kPasteAndSendAfterAsyncPaste[] = {
    SendStep::waitFor(300),        SendStep::press(kPasteChord), SendStep::waitFor(300),
    SendStep::press(kSendChord),   SendStep::show(kStatusSent),  SendStep::disarmWatch(),
};

// Paste only, for clients whose send key is the user's own setting (Enter or
// Ctrl+Enter) or not known: a wrong guess would put a line break into the
// reply or do something else entirely. The user presses the send key. The
// watch is disarmed all the same, so one arming still serves one reply.
inline constexpr SendStep kPasteOnly[] = {
    SendStep::waitFor(300),
    SendStep::press(kPasteChord),
    SendStep::show(kStatusPasted),
    SendStep::disarmWatch(),
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
