#include "send/send_sequence.h"

namespace moravel {

void runSendSteps(std::span<const SendStep> steps, SendActions& actions) {
  for (const SendStep& step : steps) {
    switch (step.kind) {
      case SendStep::Kind::Pause: actions.pause(step.pause); break;
      case SendStep::Kind::Chord: actions.keyChord(step.chord); break;
      case SendStep::Kind::ShowStatus: actions.showStatus(step.status); break;
      case SendStep::Kind::Disarm: actions.disarm(); break;
    }
  }
}

}  // namespace moravel
