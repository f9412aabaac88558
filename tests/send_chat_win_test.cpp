// Quick send end to end within this process: real clicks (SendInput) into
// the fake chat client, the real hook, the posted send, real key chords, and
// the client's transcript as proof of what arrived.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "send/chat_sender_win.h"
#include "send/mouse_watch_win.h"
#include "send_win_support.h"

namespace moravel {
namespace {

using namespace send_test;
using namespace std::chrono_literals;

struct Release {
  LARGE_INTEGER at;
  bool duringASend;  // the sender was busy when it came
};

class QuickSendWin : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    fake = new FakeChat;
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    started = fake->start(std::wstring(folder) + L"moravel_send_chat_" +
                          std::to_wstring(GetCurrentProcessId()) + L".txt");
    keyHook = recordKeys();
  }
  static void TearDownTestSuite() {
    if (keyHook != nullptr) UnhookWindowsHookEx(keyHook);
    fake->stop();
    delete fake;
  }
  void SetUp() override {
    ASSERT_TRUE(started) << "the fake chat client did not start";
    ASSERT_NE(keyHook, nullptr);
    gKeys.clear();
  }
  void TearDown() override { mouseWatch().disarm(); }

  // What copyAndArm does: the phrase onto the clipboard, then arm.
  void copyAndArm(std::wstring_view phrase) {
    ASSERT_TRUE(putOnClipboard(phrase));
    mouseWatch().arm([this](MouseButton button, MouseAction action, std::string_view location) {
      if (button == MouseButton::Left && action == MouseAction::Released) {
        releases.push_back({now(), sender.sending()});
      }
      senderListener(button, action, location);
      if (sender.sending() && clickAgainDuringTheSend) {
        clickAgainDuringTheSend = false;
        click(secondClick);  // arrives while the send waits
      }
    });
    ASSERT_TRUE(mouseWatch().armed());
  }
  bool sent() const { return statuses.size() > statusesBefore; }

  static inline FakeChat* fake = nullptr;
  static inline bool started = false;
  static inline HHOOK keyHook = nullptr;

  std::vector<std::string> statuses;
  ChatSenderWin sender{[this](std::string_view text) { statuses.emplace_back(text); }};
  MouseListener senderListener = sender.listener();
  std::vector<Release> releases;
  size_t statusesBefore = 0;
  bool clickAgainDuringTheSend = false;
  POINT secondClick{};
};

POINT offset(HWND window, int dx, int dy) {
  RECT rect;
  GetWindowRect(window, &rect);
  return {rect.left + dx, rect.top + dy};
}

TEST_F(QuickSendWin, RecognisedWindowsGetThePhrasePastedAndSentOnce) {
  struct Case {
    const char* who;
    HWND window;
    POINT at;
  } const cases[] = {
      {"WeChatMainWndForPC", fake->weChat, offset(fake->weChat, 200, 230)},
      {"TXGuiFoundation", fake->qq, offset(fake->qq, 100, 230)},
      {"RichEditComponent", fake->richEdit, centreOf(fake->richEdit)},
  };
  int number = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.who);
    ASSERT_EQ(WindowFromPoint(c.at), c.window);
    const std::wstring phrase = L"您好，请问有什么可以帮您？ #" + std::to_wstring(++number);
    const std::vector<std::string> before = fake->lines();
    statusesBefore = statuses.size();
    copyAndArm(phrase);
    click(c.at);
    ASSERT_TRUE(pumpUntil([&] { return sent(); }));
    const std::string expected = std::string(c.who) + "\t" + utf8(phrase);
    ASSERT_TRUE(pumpUntil([&] { return fake->lines().size() > before.size(); }));
    pumpFor(200ms);  // a second line would come now
    std::vector<std::string> after = fake->lines();
    after.erase(after.begin(), after.begin() + static_cast<long>(before.size()));
    EXPECT_EQ(after, std::vector<std::string>{expected});
    EXPECT_EQ(statuses.back(), "发送成功");
    EXPECT_FALSE(mouseWatch().armed());
    EXPECT_FALSE(sender.sending());
  }
}

TEST_F(QuickSendWin, OneSendKeysInOrderAndTimeAndNoSecondSendForASecondClick) {
  const std::wstring phrase = L"亲，已为您发货。";
  const std::vector<std::string> before = fake->lines();
  copyAndArm(phrase);
  // Clicked again, impatiently, while the send waits: it must not send twice.
  clickAgainDuringTheSend = true;
  secondClick = offset(fake->weChat, 160, 235);
  click(offset(fake->weChat, 120, 225));
  ASSERT_TRUE(pumpUntil([&] { return sent(); }));
  ASSERT_TRUE(pumpUntil([&] { return fake->lines().size() > before.size(); }));
  pumpFor(300ms);

  ASSERT_EQ(releases.size(), 2u);
  EXPECT_FALSE(releases[0].duringASend);
  EXPECT_TRUE(releases[1].duringASend);  // the hook was served during the wait
  EXPECT_EQ(fake->lines().size(), before.size() + 1);
  EXPECT_EQ(fake->lines().back(), "WeChatMainWndForPC\t" + utf8(phrase));
  EXPECT_EQ(statuses.size(), 1u);

  const std::vector<std::pair<DWORD, bool>> expectedKeys = {
      {VK_CONTROL, false}, {'V', false}, {VK_CONTROL, true}, {'V', true},
      {VK_MENU, false},    {'S', false}, {VK_MENU, true},    {'S', true},
  };
  ASSERT_EQ(recordedKeys(), expectedKeys);

  const double beforePaste = millisecondsBetween(releases[0].at, gKeys[0].at);
  const double betweenChords = millisecondsBetween(gKeys[3].at, gKeys[4].at);
  std::printf("[ send timing ] release to Ctrl down %.1f ms, V up to Alt down %.1f ms\n",
              beforePaste, betweenChords);
  // Lower bounds only, which a slow machine cannot break. The waitable timer
  // and the performance counter are different clocks; a millisecond covers
  // the difference in how they round.
  EXPECT_GE(beforePaste, 300.0 - 1.0);
  EXPECT_GE(betweenChords, 100.0 - 1.0);
}

TEST_F(QuickSendWin, OtherWindowsAreIgnoredAndTheWatchStaysArmed) {
  struct Case {
    const char* what;
    HWND window;
    POINT at;
  } const cases[] = {
      {"TXGuiFoundation panel with a parent", fake->qqPanel, centreOf(fake->qqPanel)},
      {"a window of another class", fake->other, offset(fake->other, 200, 230)},
      {"the dialog around its input box", fake->dialog, offset(fake->dialog, 30, 230)},
  };
  const std::vector<std::string> before = fake->lines();
  copyAndArm(L"不应发送");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(WindowFromPoint(c.at), c.window);
    const size_t seen = releases.size();
    click(c.at);
    ASSERT_TRUE(pumpUntil([&] { return releases.size() > seen; }));
    EXPECT_FALSE(sender.sending());
    EXPECT_TRUE(mouseWatch().armed());
  }
  pumpFor(600ms);  // longer than a send would take
  EXPECT_TRUE(gKeys.empty());
  EXPECT_TRUE(statuses.empty());
  EXPECT_EQ(fake->lines(), before);
}

TEST_F(QuickSendWin, TheInspectorAsksTheSystem) {
  WindowInspectorWin inspector;
  EXPECT_EQ(inspector.className(windowNumber(fake->weChat)), "WeChatMainWndForPC");
  EXPECT_EQ(inspector.className(windowNumber(fake->richEdit)), "RichEditComponent");
  EXPECT_FALSE(inspector.hasParent(windowNumber(fake->qq)));
  EXPECT_TRUE(inspector.hasParent(windowNumber(fake->qqPanel)));
  EXPECT_EQ(inspector.className(0), std::nullopt);

  // A class name longer than the 49 characters compared is read whole; it
  // matches no rule, though its first characters are a chat client's.
  const std::wstring longName = L"WeChatMainWndForPC" + std::wstring(42, L'x');
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = longName.c_str();
  ASSERT_NE(RegisterClassExW(&windowClass), 0);
  HWND window = CreateWindowExW(0, longName.c_str(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  const std::int32_t number = windowNumber(window);
  EXPECT_EQ(inspector.className(number), "WeChatMainWndForPC" + std::string(42, 'x'));
  EXPECT_EQ(findTargetRule(kTargetRules, inspector, number), nullptr);
  DestroyWindow(window);
  EXPECT_EQ(inspector.className(number), std::nullopt);  // gone
}

}  // namespace
}  // namespace moravel
