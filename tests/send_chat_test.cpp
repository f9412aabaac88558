// Chat target recognition and the send it starts, over fake windows, a fake
// message loop and actions recorded on a fake clock.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "send/chat_sender.h"
#include "send/chat_target.h"
#include "send/mouse_watch.h"

namespace moravel {
namespace {

struct FakeWindow {
  std::optional<std::string> className;  // nothing: cannot be read
  bool hasParent = false;
  std::int32_t root = 0;  // 0: the window is a top-level window itself
  // The program file of its process; nothing: the process cannot be asked.
  std::optional<std::string> process = "C:\\Windows\\notepad.exe";
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
  std::int32_t rootWindow(std::int32_t window) override {
    ++rootQuestions;
    const auto found = windows.find(window);
    if (found == windows.end()) return 0;
    return found->second.root == 0 ? window : found->second.root;
  }
  std::optional<std::string> processImagePath(std::int32_t window) override {
    ++processQuestions;
    const auto found = windows.find(window);
    if (found == windows.end()) return std::nullopt;
    return found->second.process;
  }
  std::map<std::int32_t, FakeWindow> windows;
  int classQuestions = 0;
  int parentQuestions = 0;
  int rootQuestions = 0;
  int processQuestions = 0;
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

TEST(TargetRules, TheOriginalThreeRulesComeFirstAsTheyWere) {
  const std::string_view classes[] = {"TXGuiFoundation", "WeChatMainWndForPC", "RichEditComponent"};
  for (int i = 0; i < 3; ++i) {
    const TargetRule& rule = kTargetRules[i];
    SCOPED_TRACE(rule.className);
    EXPECT_EQ(rule.className, classes[i]);
    EXPECT_EQ(rule.parent, i == 0 ? ParentCondition::None : ParentCondition::Any);
    EXPECT_EQ(rule.window, RuleWindow::UnderPointer);
    EXPECT_EQ(rule.match, ClassMatch::Exact);
    EXPECT_TRUE(rule.processName.empty());
    EXPECT_EQ(rule.send.data(), kPasteAndSend);
  }
  // Every later rule looks at the root window and names a process, as the
  // classes of today's clients are shared by every Qt or Electron program.
  for (std::size_t i = 3; i < std::size(kTargetRules); ++i) {
    SCOPED_TRACE(kTargetRules[i].className);
    EXPECT_EQ(kTargetRules[i].window, RuleWindow::Root);
    EXPECT_FALSE(kTargetRules[i].processName.empty());
  }
}

TEST(TargetRules, TheOriginalRulesWinAndAskNothingMore) {
  // An input box the original rules know, inside a window a later rule knows
  // too: the earlier rule decides, and neither the root nor the process is
  // asked (the questions are put inside the mouse hook's call).
  FakeInspector inspector;
  inspector.windows[7] = {"WeWorkWindow", false, 0, "C:\\WXWork\\WXWork.exe"};
  inspector.windows[8] = {"RichEditComponent", true, 7, "C:\\WXWork\\WXWork.exe"};
  EXPECT_EQ(ruleIndex(findTargetRule(kTargetRules, inspector, 8)), 2);
  EXPECT_EQ(inspector.rootQuestions, 0);
  EXPECT_EQ(inspector.processQuestions, 0);
  // Over the WeCom window itself, its own row.
  EXPECT_EQ(ruleIndex(findTargetRule(kTargetRules, inspector, 7)), 7);
}

// A window under the pointer (class `pointer`) inside a root window (class
// `root`) of a process whose program file is `process`.
struct ClientCase {
  const char* what;
  std::optional<std::string> pointer;  // nothing: the root itself is under the pointer
  std::optional<std::string> root;
  std::optional<std::string> process;
  int rule;  // index into kTargetRules, -1 for none
  const SendStep* send = nullptr;
};

const TargetRule* findInClient(const ClientCase& c, FakeInspector& inspector) {
  constexpr std::int32_t kRoot = 10, kInner = 11;
  inspector.windows[kRoot] = {c.root, false, 0, c.process};
  if (!c.pointer) return findTargetRule(kTargetRules, inspector, kRoot);
  inspector.windows[kInner] = {c.pointer, true, kRoot, c.process};
  return findTargetRule(kTargetRules, inspector, kInner);
}

TEST(TargetRules, TodaysClientsByRootClassAndProcess) {
  const std::string tencent = "C:\\Program Files\\Tencent\\";
  const ClientCase cases[] = {
      {"WeChat 3.9 popped-out chat", {}, "ChatWnd", tencent + "WeChat\\WeChat.exe", 3,
       kPasteAndSend},
      {"ChatWnd of another program", {}, "ChatWnd", tencent + "Weixin\\Weixin.exe", -1},
      {"WeChat 4", "MMUIRenderSubWindowHW", "Qt51514QWindowIcon", tencent + "Weixin\\Weixin.exe", 4,
       kPasteAndSendAfterAsyncPaste},
      {"WeChat 4 on Qt 6", "MMUIRenderSubWindowHW", "Qt6QWindowIcon",
       tencent + "Weixin\\Weixin.exe", 4, kPasteAndSendAfterAsyncPaste},
      {"WeChat 4, the root itself", {}, "Qt51514QWindowIcon", "D:/WeChat/weixin.EXE", 4,
       kPasteAndSendAfterAsyncPaste},
      {"a Qt child window as root class", "MMUIRenderSubWindowHW", "Qt51514QWindow",
       tencent + "Weixin\\Weixin.exe", -1},
      {"a Qt window of another program", "Qt51514QWindow", "Qt51514QWindowIcon",
       "C:\\Qt\\designer.exe", -1},
      {"a Qt window of WeChat 3.9's process", "MMUIRenderSubWindowHW", "Qt51514QWindowIcon",
       tencent + "WeChat\\WeChat.exe", -1},
      {"QQ NT", "Chrome_RenderWidgetHostHWND", "Chrome_WidgetWin_1", tencent + "QQNT\\QQ.exe", 5,
       kPasteOnly},
      {"QQ NT, Chinese folder", "Chrome_RenderWidgetHostHWND", "Chrome_WidgetWin_1",
       "D:\\软件\\腾讯\\qq.exe", 5, kPasteOnly},
      {"an Electron editor", "Chrome_RenderWidgetHostHWND", "Chrome_WidgetWin_1",
       "C:\\Users\\a\\AppData\\Local\\Programs\\Microsoft VS Code\\Code.exe", -1},
      {"a folder named QQ.exe", "Chrome_RenderWidgetHostHWND", "Chrome_WidgetWin_1",
       "C:\\QQ.exe\\Code.exe", -1},
      {"a name ending in QQ.exe", "Chrome_RenderWidgetHostHWND", "Chrome_WidgetWin_1",
       "C:\\Tools\\NotQQ.exe", -1},
      {"another Chromium class in QQ", "Chrome_RenderWidgetHostHWND", "Chrome_WidgetWin_0",
       tencent + "QQNT\\QQ.exe", -1},
      {"千牛", "Qt5152QWindow", "Qt5152QWindowIcon", "C:\\AliWorkbench\\AliWorkbench.exe", 6,
       kPasteOnly},
      {"千牛's class in QQ", "Qt5152QWindow", "Qt5152QWindowIcon", tencent + "QQNT\\QQ.exe", -1},
      {"WeCom", {}, "WeWorkWindow", "C:\\WXWork\\WXWork.exe", 7, kPasteOnly},
      {"WeCom, inner window", "WeWorkInput", "WeWorkWindow", "C:\\WXWork\\wxwork.exe", 7,
       kPasteOnly},
      {"WeCom popped-out chat", {}, "WwStandaloneConversationWnd", "C:\\WXWork\\WXWork.exe", 8,
       kPasteOnly},
      {"WeCom's class in WeChat", {}, "WeWorkWindow", tencent + "WeChat\\WeChat.exe", -1},
      {"WeCom's chat in another program", {}, "WwStandaloneConversationWnd",
       "C:\\WXWork\\WXWorkWeb.exe", -1},
      {"a process that cannot be asked", "Chrome_RenderWidgetHostHWND", "Chrome_WidgetWin_1",
       std::nullopt, -1},
      {"WeChat 4 that cannot be asked", {}, "Qt51514QWindowIcon", std::nullopt, -1},
      {"a root whose class cannot be read", "Chrome_RenderWidgetHostHWND", std::nullopt,
       tencent + "QQNT\\QQ.exe", -1},
      {"a panel of the old QQ inside QQ NT", "TXGuiFoundation", "Chrome_WidgetWin_1",
       tencent + "QQNT\\QQ.exe", 5, kPasteOnly},
  };
  for (const ClientCase& c : cases) {
    SCOPED_TRACE(c.what);
    FakeInspector inspector;
    const TargetRule* rule = findInClient(c, inspector);
    EXPECT_EQ(ruleIndex(rule), c.rule);
    if (rule != nullptr) {
      EXPECT_EQ(rule->send.data(), c.send);
    }
  }
}

TEST(TargetRules, ARootThatCannotBeAskedMatchesNothing) {
  // The window has gone between the event and the question, or the system
  // names no root: no process rule is tried, nothing else is asked.
  FakeInspector inspector;
  inspector.windows[5] = {"Chrome_RenderWidgetHostHWND", true, 0, "C:\\QQ\\QQ.exe"};
  struct GoneRoot : FakeInspector {
    std::int32_t rootWindow(std::int32_t) override { return 0; }
  } gone;
  gone.windows = inspector.windows;
  EXPECT_EQ(findTargetRule(kTargetRules, gone, 5), nullptr);
  EXPECT_EQ(gone.processQuestions, 0);
  // Nor does a root number that names no window.
  inspector.windows[5].root = 99;
  EXPECT_EQ(findTargetRule(kTargetRules, inspector, 5), nullptr);
  EXPECT_EQ(inspector.processQuestions, 0);
}

TEST(TargetRules, TheProcessIsAskedOnceAndOnlyWhenARootClassMatches) {
  FakeInspector inspector;
  inspector.windows[1] = {"Edit", true, 2, "C:\\Windows\\notepad.exe"};
  inspector.windows[2] = {"Notepad", false, 0, "C:\\Windows\\notepad.exe"};
  EXPECT_EQ(findTargetRule(kTargetRules, inspector, 1), nullptr);
  EXPECT_EQ(inspector.rootQuestions, 1);
  EXPECT_EQ(inspector.processQuestions, 0);
  EXPECT_EQ(inspector.classQuestions, 2);  // the window's and the root's

  // Two rows know "Qt*QWindowIcon": the program's name is asked once.
  FakeInspector qt;
  qt.windows[1] = {"Qt51514QWindow", true, 2, "C:\\Qt\\designer.exe"};
  qt.windows[2] = {"Qt51514QWindowIcon", false, 0, "C:\\Qt\\designer.exe"};
  EXPECT_EQ(findTargetRule(kTargetRules, qt, 1), nullptr);
  EXPECT_EQ(qt.rootQuestions, 1);
  EXPECT_EQ(qt.processQuestions, 1);
}

TEST(TargetRules, VersionedClassPatterns) {
  struct Case {
    std::string_view pattern;
    std::string name;
    bool matches;
  } const cases[] = {
      {"Qt*QWindowIcon", "Qt51514QWindowIcon", true},
      {"Qt*QWindowIcon", "Qt5152QWindowIcon", true},
      {"Qt*QWindowIcon", "Qt6QWindowIcon", true},
      {"Qt*QWindowIcon", "QtQWindowIcon", true},  // the run may be empty
      {"Qt*QWindowIcon", "Qt6QWindowIconQWindowIcon", true},
      {"Qt*QWindowIcon", "Qt51514QWindow", false},
      {"Qt*QWindowIcon", "Qt51514QWindowIcons", false},
      {"Qt*QWindowIcon", "XQt6QWindowIcon", false},
      {"Qt*QWindowIcon", "qt6QWindowIcon", false},  // letter case counts
      {"Qt*QWindowIcon", "Qt6QWINDOWICON", false},
      {"Qt*QWindowIcon", "", false},
      {"Qt*QWindowIcon", "Qt\xB0\xA1QWindowIcon", true},  // a Chinese character in the run
      // The Q here is the second byte of a character, not the letter.
      {"Qt*QWindowIcon", "Qt\xB0QWindowIcon", false},
      {"ChatWnd", "ChatWnd", true},
      {"ChatWnd", "ChatWnd2", false},
      {"ChatWnd", "ChatWn", false},
      {"*", "", true},
      {"*", "anything", true},
      {"*Wnd", "ChatWnd", true},
      {"Ww*Conversation*Wnd", "WwStandaloneConversationWnd", true},
      {"Ww*Conversation*Wnd", "WwStandaloneConversationWndX", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(matchesClassPattern(c.pattern, c.name), c.matches) << c.pattern << " " << c.name;
  }
}

TEST(TargetRules, ProgramFileNames) {
  const std::pair<std::string, std::string> names[] = {
      {"C:\\Program Files\\Tencent\\Weixin\\Weixin.exe", "Weixin.exe"},
      {"Weixin.exe", "Weixin.exe"},
      {"D:/apps/QQ.exe", "QQ.exe"},
      {"C:\\dir/mixed\\QQ.exe", "QQ.exe"},
      {"C:\\dir\\", ""},
      {"", ""},
      {"D:\\腾讯\\QQ.exe", "QQ.exe"},
      // 0x5C, the backslash, as the second byte of a character is no separator.
      {"C:\\a\x95\\QQ.exe", "a\x95\\QQ.exe"},
  };
  for (const auto& [path, name] : names) EXPECT_EQ(imageFileName(path), name) << path;

  const std::tuple<std::string, std::string, bool> comparisons[] = {
      {"WeChat.exe", "WeChat.exe", true},
      {"WeChat.exe", "wechat.EXE", true},
      {"WXWork.exe", "wxwork.exe", true},
      {"WeChat.exe", "WeChat.ex", false},
      {"QQ.exe", "QQ.exe ", false},
      {"QQ.exe", "QQ.com", false},
      {"", "", true},
      {"\xB0" "a.exe", "\xB0" "A.exe", false},  // second bytes of characters are not letters
      {"\xB0\xA1.exe", "\xB0\xA1.EXE", true},
  };
  for (const auto& [a, b, same] : comparisons) {
    EXPECT_EQ(sameImageName(a, b), same) << a << " " << b;
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
// Today's clients: the window under the pointer is an inner one.
constexpr std::int32_t kWeixin = 6, kWeixinRoot = 7, kQqNt = 8, kQqNtRoot = 9;

class ChatSenderTest : public testing::Test {
 protected:
  ChatSenderTest() {
    inspector.windows = {
        {kWeChat, {"WeChatMainWndForPC", false}},
        {kQqMain, {"TXGuiFoundation", false}},
        {kQqPanel, {"TXGuiFoundation", true}},
        {kRichEdit, {"RichEditComponent", true}},
        {kOther, {"Moravel", false}},
        {kWeixin, {"MMUIRenderSubWindowHW", true, kWeixinRoot, "C:\\Weixin\\Weixin.exe"}},
        {kWeixinRoot, {"Qt51514QWindowIcon", false, 0, "C:\\Weixin\\Weixin.exe"}},
        {kQqNt, {"Chrome_RenderWidgetHostHWND", true, kQqNtRoot, "C:\\QQNT\\QQ.exe"}},
        {kQqNtRoot, {"Chrome_WidgetWin_1", false, 0, "C:\\QQNT\\QQ.exe"}},
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

TEST_F(ChatSenderTest, WeChat4WaitsLongerForItsPasteAndQqNtOnlyGetsThePaste) {
  leftRelease(kWeixin);
  sender.runScheduledSend();
  const std::vector<std::string> weixin = {
      "pause 300",          "300 " + kCtrl + " down", "300 V down", "300 " + kCtrl + " up",
      "300 V up",           "pause 300",              "600 " + kAlt + " down", "600 S down",
      "600 " + kAlt + " up", "600 S up",              "600 status 发送成功",   "600 disarm",
  };
  EXPECT_EQ(actions.log, weixin);

  actions.log.clear();
  actions.now = 0;
  leftRelease(kQqNt);
  EXPECT_TRUE(sender.sending());
  sender.runScheduledSend();
  // No send key at all: the user's own setting decides what sends there.
  const std::vector<std::string> qqNt = {
      "pause 300", "300 " + kCtrl + " down", "300 V down", "300 " + kCtrl + " up", "300 V up",
      "300 status 已粘贴，请在聊天窗口中发送", "300 disarm",
  };
  EXPECT_EQ(actions.log, qqNt);
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

  // A paste without a send ends the arming just the same.
  sender.runScheduledSend();
  installer.refuseRemove = false;
  ASSERT_TRUE(watch.disarm());
  watch.arm(sender.listener());
  releaseOver(kQqNt);
  sender.runScheduledSend();
  EXPECT_FALSE(watch.armed());
  releaseOver(kQqNt);
  EXPECT_EQ(scheduler.requests, 4);
}

}  // namespace
}  // namespace moravel
