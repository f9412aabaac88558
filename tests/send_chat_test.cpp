// Chat target recognition and the send it starts, over fake windows, a fake
// message loop and actions recorded on a fake clock.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "send/chat_sender.h"
#include "send/chat_target.h"
#include "send/mouse_watch.h"

namespace moravel {
namespace {

struct FakeWindow {
  std::optional<std::string> className;  // nothing: cannot be read
  bool hasParent = false;
};

class FakeInspector : public WindowInspector {
 public:
  std::optional<std::string> className(std::int32_t window) override {
    ++classQuestions;
    const auto found = windows.find(window);
    if (found == windows.end()) return std::nullopt;
    return found->second.className;
  }
  bool hasParent(std::int32_t window) override {
    ++parentQuestions;
    const auto found = windows.find(window);
    return found != windows.end() && found->second.hasParent;
  }
  std::map<std::int32_t, FakeWindow> windows;
  int classQuestions = 0;
  int parentQuestions = 0;
};

int ruleIndex(const TargetRule* rule) {
  return rule == nullptr ? -1 : static_cast<int>(rule - kTargetRules);
}

TEST(TargetRules, TheThreeRulesOfTheTable) {
  const std::string longName = "WeChatMainWndForPC" + std::string(40, 'x');
  struct Case {
    const char* what;
    FakeWindow window;
    int rule;       // index into kTargetRules, -1 for none
    int parentAsked;
  } const cases[] = {
      {"top-level TXGuiFoundation", {"TXGuiFoundation", false}, 0, 1},
      {"TXGuiFoundation with a parent", {"TXGuiFoundation", true}, -1, 1},
      {"WeChatMainWndForPC", {"WeChatMainWndForPC", false}, 1, 0},
      {"WeChatMainWndForPC with a parent", {"WeChatMainWndForPC", true}, 1, 0},
      {"RichEditComponent", {"RichEditComponent", false}, 2, 0},
      {"RichEditComponent with a parent", {"RichEditComponent", true}, 2, 0},
      {"letter case differs", {"txguifoundation", false}, -1, 0},
      {"letter case differs", {"WeChatMainWndForPc", false}, -1, 0},
      {"letter case differs", {"RICHEDITCOMPONENT", true}, -1, 0},
      {"a prefix", {"RichEdit", false}, -1, 0},
      {"longer", {"RichEditComponent2", false}, -1, 0},
      {"trailing space", {"WeChatMainWndForPC ", false}, -1, 0},
      {"beyond the class-name limit", {longName, false}, -1, 0},
      {"another class", {"Notepad", false}, -1, 0},
      {"empty class name", {"", false}, -1, 0},
      {"unreadable class name", {std::nullopt, false}, -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeInspector inspector;
    inspector.windows[42] = c.window;
    EXPECT_EQ(ruleIndex(findTargetRule(kTargetRules, inspector, 42)), c.rule);
    EXPECT_EQ(inspector.parentQuestions, c.parentAsked);
  }
  FakeInspector inspector;
  EXPECT_EQ(findTargetRule(kTargetRules, inspector, 42), nullptr);  // no such window
  EXPECT_EQ(findTargetRule(kTargetRules, inspector, 0), nullptr);
}

TEST(TargetRules, EveryRuleStartsThePasteAndSendSequence) {
  for (const TargetRule& rule : kTargetRules) {
    EXPECT_EQ(rule.send.data(), kPasteAndSend) << rule.className;
    EXPECT_EQ(rule.send.size(), std::size(kPasteAndSend));
  }
}

TEST(TargetRules, ClassNamesAreCutAfter49Characters) {
  const std::string chinese(60 * 2, '\xB0');  // 60 two-byte characters
  struct Case {
    std::string name;
    std::string limited;
  } const cases[] = {
      {"", ""},
      {"TXGuiFoundation", "TXGuiFoundation"},
      {std::string(49, 'a'), std::string(49, 'a')},
      {std::string(50, 'a'), std::string(49, 'a')},
      {std::string(256, 'a'), std::string(49, 'a')},
      {chinese, std::string(49 * 2, '\xB0')},
      {"a" + chinese, "a" + std::string(48 * 2, '\xB0')},
  };
  for (const Case& c : cases) EXPECT_EQ(limitClassName(c.name), c.limited) << c.name;
  // A name cut within its last two-byte character keeps the whole character
  // the system's buffer would hold.
  const std::string cutLead = std::string(48, 'a') + "\xB0";
  EXPECT_EQ(limitClassName(cutLead), cutLead);
}

// What the send did, on a fake clock that only pauses advance.
class RecordingActions : public SendActions {
 public:
  void pause(const PumpingDelay& delay) override {
    log.push_back("pause " + std::to_string(delay.milliseconds()));
    // Messages dispatched during the wait: the mouse watch among them.
    if (duringPause) duringPause();
    now += delay.milliseconds();
  }
  void keyChord(const KeyChord& chord) override {
    for (const KeyStroke& stroke : chord.strokes()) {
      log.push_back(std::to_string(now) + " " + std::string(1, static_cast<char>(stroke.key)) +
                    (stroke.release ? " up" : " down"));
    }
  }
  void showStatus(std::string_view text) override {
    if (failStatus) throw std::runtime_error("status line gone");
    log.push_back(std::to_string(now) + " status " + std::string(text));
  }
  bool disarm() override {
    log.push_back(std::to_string(now) + " disarm");
    return onDisarm ? onDisarm() : true;
  }

  std::vector<std::string> log;
  std::int64_t now = 0;
  std::function<void()> duringPause;
  std::function<bool()> onDisarm;
  bool failStatus = false;
};

// The message loop: schedule() only notes the request, as a posted message
// would; the test runs it when the hook call has returned.
class FakeScheduler : public SendScheduler {
 public:
  bool schedule() override {
    ++requests;
    return !refuse;
  }
  int requests = 0;
  bool refuse = false;
};

constexpr std::int32_t kWeChat = 1, kQqMain = 2, kQqPanel = 3, kRichEdit = 4, kOther = 5;

class ChatSenderTest : public testing::Test {
 protected:
  ChatSenderTest() {
    inspector.windows = {
        {kWeChat, {"WeChatMainWndForPC", false}},
        {kQqMain, {"TXGuiFoundation", false}},
        {kQqPanel, {"TXGuiFoundation", true}},
        {kRichEdit, {"RichEditComponent", true}},
        {kOther, {"Moravel", false}},
    };
  }
  void event(MouseButton button, MouseAction action, std::int32_t window) {
    sender.onMouse(button, action, LocationText(window, 100, -20).view());
  }
  void leftRelease(std::int32_t window) { event(MouseButton::Left, MouseAction::Released, window); }

  FakeInspector inspector;
  FakeScheduler scheduler;
  RecordingActions actions;
  ChatSender sender{inspector, scheduler, actions};
};

// Ctrl is 0x11 and Alt 0x12, not printable; the log shows them as bytes.
const std::string kCtrl(1, '\x11'), kAlt(1, '\x12');

TEST_F(ChatSenderTest, ALeftReleaseOverAChatWindowSchedulesTheSendAndReturns) {
  leftRelease(kWeChat);
  EXPECT_EQ(scheduler.requests, 1);
  EXPECT_TRUE(sender.sending());
  // Nothing of the send runs inside the hook call.
  EXPECT_TRUE(actions.log.empty());

  sender.runScheduledSend();
  const std::vector<std::string> expected = {
      "pause 300",          "300 " + kCtrl + " down", "300 V down", "300 " + kCtrl + " up",
      "300 V up",           "pause 100",              "400 " + kAlt + " down", "400 S down",
      "400 " + kAlt + " up", "400 S up",              "400 status 发送成功",   "400 disarm",
  };
  EXPECT_EQ(actions.log, expected);
  EXPECT_FALSE(sender.sending());
}

TEST_F(ChatSenderTest, EachRecognisedWindowSends) {
  for (std::int32_t window : {kWeChat, kQqMain, kRichEdit}) {
    actions.log.clear();
    leftRelease(window);
    sender.runScheduledSend();
    EXPECT_EQ(actions.log.size(), 12u) << window;
  }
  EXPECT_EQ(scheduler.requests, 3);
}

TEST_F(ChatSenderTest, OtherEventsAndOtherWindowsDoNothing) {
  using B = MouseButton;
  using A = MouseAction;
  const std::pair<B, A> notLeftReleases[] = {
      {B::Left, A::Pressed},       {B::Left, A::DoubleClicked}, {B::Right, A::Released},
      {B::Middle, A::Released},    {B::Wheel, A::WheelForward}, {B::Wheel, A::WheelBackward},
      {B::None, A::None},
  };
  for (const auto& [button, action] : notLeftReleases) event(button, action, kWeChat);
  // Other events do not even ask for the window: they return at once.
  EXPECT_EQ(inspector.classQuestions, 0);
  for (std::int32_t window : {kQqPanel, kOther, 0, 99}) leftRelease(window);
  sender.onMouse(MouseButton::Left, MouseAction::Released, "garbage");
  EXPECT_EQ(scheduler.requests, 0);
  EXPECT_FALSE(sender.sending());
  sender.runScheduledSend();  // nothing scheduled: nothing happens
  EXPECT_TRUE(actions.log.empty());
}

TEST_F(ChatSenderTest, OneReleaseOneSend) {
  // A second click before the loop has started the send, and more during its
  // waits (the watch is served while they dispatch messages).
  leftRelease(kWeChat);
  leftRelease(kQqMain);
  int nested = 0;
  actions.duringPause = [&] {
    ++nested;
    leftRelease(kWeChat);
    sender.runScheduledSend();  // a stray request must not start a nested send
  };
  sender.runScheduledSend();
  EXPECT_EQ(nested, 2);
  EXPECT_EQ(scheduler.requests, 1);
  int pastes = 0;
  for (const std::string& line : actions.log) pastes += line == "300 V down" || line == "400 V down";
  EXPECT_EQ(pastes, 1);

  // Once the send has ended, a release counts again (here the watch was not
  // disarmed, so it is still reporting).
  actions.duringPause = nullptr;
  leftRelease(kWeChat);
  EXPECT_EQ(scheduler.requests, 2);
}

TEST_F(ChatSenderTest, ARefusedScheduleLeavesTheSenderFree) {
  scheduler.refuse = true;
  leftRelease(kWeChat);
  EXPECT_FALSE(sender.sending());
  scheduler.refuse = false;
  leftRelease(kWeChat);
  EXPECT_TRUE(sender.sending());
  EXPECT_EQ(scheduler.requests, 2);
}

TEST_F(ChatSenderTest, AFailingStepEndsTheSend) {
  actions.failStatus = true;
  leftRelease(kWeChat);
  EXPECT_THROW(sender.runScheduledSend(), std::runtime_error);
  EXPECT_FALSE(sender.sending());
  actions.failStatus = false;
  leftRelease(kWeChat);
  EXPECT_TRUE(sender.sending());
}

// The road of one quick reply, with the real watch over a fake hook.
class FakeInstaller : public HookInstaller {
 public:
  HookHandle install() override { return ++installs; }
  bool remove(HookHandle) override { return !refuseRemove; }
  HookHandle installs = 0;
  bool refuseRemove = false;
};

TEST_F(ChatSenderTest, ACompletedSendDisarmsTheWatchUntilArmedAgain) {
  FakeInstaller installer;
  MouseWatch watch(installer);
  actions.onDisarm = [&] { return watch.disarm(); };
  auto releaseOver = [&](std::int32_t window) {
    watch.report(mouse_message::kLeftUp, 0, window, 10, 10);
  };

  watch.arm(sender.listener());
  releaseOver(kOther);
  EXPECT_TRUE(watch.armed());  // no rule matched: still waiting
  releaseOver(kWeChat);
  sender.runScheduledSend();
  EXPECT_FALSE(watch.armed());
  releaseOver(kWeChat);
  EXPECT_EQ(scheduler.requests, 1);

  // A failed disarm leaves the watch armed, and the next release sends again.
  watch.arm(sender.listener());
  installer.refuseRemove = true;
  releaseOver(kQqMain);
  sender.runScheduledSend();
  EXPECT_TRUE(watch.armed());
  releaseOver(kQqMain);
  EXPECT_EQ(scheduler.requests, 3);
}

}  // namespace
}  // namespace moravel
