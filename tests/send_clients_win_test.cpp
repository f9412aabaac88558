// Quick send into today's chat clients, with real input: the fake chat client
// copied under each client's program name impersonates its windows (a root
// window with an inner child under the pointer), and the real hook, inspector,
// posted send and key chords decide what reaches it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "send/chat_sender_win.h"
#include "send/mouse_watch_win.h"
#include "send_win_support.h"

namespace moravel {
namespace {

using namespace send_test;
using namespace std::chrono_literals;

// One copy of the fake client, started under a client's program name.
struct Client {
  const wchar_t* program;  // the name of the copy: what the rules see
  const wchar_t* mode;     // its --as
  POINT at;
  std::wstring transcript{};
  PROCESS_INFORMATION process{};
};

// All the clients, started once for the tests here, laid out side by side
// (400 x 260 each; WeCom opens two windows).
Client gClients[] = {
    {L"WeChat.exe", L"wechat3", {20, 20}},
    {L"Weixin.exe", L"weixin", {440, 20}},
    {L"QQ.exe", L"qq", {860, 20}},
    {L"AliWorkbench.exe", L"qianniu", {20, 320}},
    {L"WXWork.exe", L"wecom", {440, 320}},
    {L"Code.exe", L"qq", {20, 620}},  // an Electron program that is no chat client
};

std::wstring gFolder;

Client* clientNamed(std::wstring_view program) {
  for (Client& client : gClients) {
    if (program == client.program) return &client;
  }
  return nullptr;
}

bool startClient(Client& client, const std::wstring& fakeChat) {
  const std::wstring exe = gFolder + client.program;
  client.transcript = exe + L".txt";
  DeleteFileW(client.transcript.c_str());
  if (!CopyFileW(fakeChat.c_str(), exe.c_str(), FALSE)) return false;
  std::wstring commandLine = L"\"" + exe + L"\" \"" + client.transcript + L"\" --as " +
                             client.mode + L" --at " + std::to_wstring(client.at.x) + L" " +
                             std::to_wstring(client.at.y);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &client.process)) {
    return false;
  }
  WaitForInputIdle(client.process.hProcess, 30'000);
  return true;
}

// The visible top-level window of the client's process with that class.
HWND findRoot(const Client& client, const wchar_t* className) {
  struct Search {
    DWORD processId;
    const wchar_t* className;
    HWND found;
  } search{client.process.dwProcessId, className, nullptr};
  EnumWindows(
      [](HWND window, LPARAM lParam) {
        auto* s = reinterpret_cast<Search*>(lParam);
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        wchar_t name[64];
        if (pid == s->processId && IsWindowVisible(window) && GetClassNameW(window, name, 64) > 0 &&
            std::wstring_view(name) == s->className) {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void stopClient(Client& client) {
  if (client.process.hProcess == nullptr) return;
  EnumWindows(
      [](HWND window, LPARAM lParam) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid == static_cast<DWORD>(lParam)) PostMessageW(window, WM_CLOSE, 0, 0);
        return TRUE;
      },
      static_cast<LPARAM>(client.process.dwProcessId));
  if (WaitForSingleObject(client.process.hProcess, 10'000) != WAIT_OBJECT_0) {
    TerminateProcess(client.process.hProcess, 1);
    WaitForSingleObject(client.process.hProcess, 10'000);
  }
  CloseHandle(client.process.hThread);
  CloseHandle(client.process.hProcess);
  client.process = {};
  DeleteFileW(client.transcript.c_str());
  DeleteFileW((gFolder + client.program).c_str());
}

// What the input line of a window of another process holds. WM_GETTEXT is
// carried across processes by the system.
std::wstring inputLineOf(HWND window) {
  wchar_t text[512] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 5'000, &copied);
  return text;
}

enum class Outcome { PastedAndSent, PastedOnly, Nothing };

const std::vector<std::pair<DWORD, bool>> kPasteKeys = {
    {VK_CONTROL, false}, {'V', false}, {VK_CONTROL, true}, {'V', true}};
const std::vector<std::pair<DWORD, bool>> kPasteAndSendKeys = {
    {VK_CONTROL, false}, {'V', false}, {VK_CONTROL, true}, {'V', true},
    {VK_MENU, false},    {'S', false}, {VK_MENU, true},    {'S', true}};

class QuickSendClients : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    gFolder = std::wstring(temp) + L"moravel_clients_" + std::to_wstring(GetCurrentProcessId()) +
              L"\\";
    CreateDirectoryW(gFolder.c_str(), nullptr);
    std::wstring fakeChat = L"" MORAVEL_FAKE_CHAT;
    for (wchar_t& c : fakeChat) c = c == L'/' ? L'\\' : c;
    started = true;
    for (Client& client : gClients) started = startClient(client, fakeChat) && started;
    keyHook = recordKeys();
  }
  static void TearDownTestSuite() {
    if (keyHook != nullptr) UnhookWindowsHookEx(keyHook);
    for (Client& client : gClients) stopClient(client);
    RemoveDirectoryW(gFolder.c_str());
  }
  void SetUp() override {
    ASSERT_TRUE(started) << "a fake chat client did not start";
    ASSERT_NE(keyHook, nullptr);
    gKeys.clear();
  }
  void TearDown() override { mouseWatch().disarm(); }

  // The client's window, waiting until it has appeared; with `childClass`,
  // its child of that class.
  HWND windowOf(std::wstring_view program, const wchar_t* rootClass, const wchar_t* childClass) {
    const Client* client = clientNamed(program);
    if (client == nullptr) return nullptr;
    HWND root = nullptr;
    pumpUntil([&] { return (root = findRoot(*client, rootClass)) != nullptr; }, 30s);
    if (root == nullptr || childClass == nullptr) return root;
    return FindWindowExW(root, nullptr, childClass, nullptr);
  }

  // What copyAndArm does: the phrase onto the clipboard, then arm. The
  // listener notes each left release and how long the sender took over it.
  void copyAndArm(std::wstring_view phrase) {
    ASSERT_TRUE(putOnClipboard(phrase));
    mouseWatch().arm([this](MouseButton button, MouseAction action, std::string_view location) {
      const bool leftRelease = button == MouseButton::Left && action == MouseAction::Released;
      const LARGE_INTEGER before = now();
      senderListener(button, action, location);
      if (leftRelease) releases.push_back({before, millisecondsBetween(before, now())});
    });
    ASSERT_TRUE(mouseWatch().armed());
  }

  struct Release {
    LARGE_INTEGER at;
    double listenerMilliseconds;
  };

  static inline bool started = false;
  static inline HHOOK keyHook = nullptr;

  std::vector<std::string> statuses;
  ChatSenderWin sender{[this](std::string_view text) { statuses.emplace_back(text); }};
  MouseListener senderListener = sender.listener();
  std::vector<Release> releases;
};

TEST_F(QuickSendClients, EachClientGetsWhatItsRuleSays) {
  struct Case {
    const char* what;
    const wchar_t* program;
    const wchar_t* rootClass;
    const wchar_t* childClass;  // the window under the pointer; null: the root
    Outcome outcome;
    const char* who = nullptr;  // the sender in the transcript
  } const cases[] = {
      {"WeChat 4", L"Weixin.exe", L"Qt51514QWindowIcon", L"MMUIRenderSubWindowHW",
       Outcome::PastedAndSent, "Qt51514QWindowIcon/MMUIRenderSubWindowHW"},
      {"QQ NT", L"QQ.exe", L"Chrome_WidgetWin_1", L"Chrome_RenderWidgetHostHWND",
       Outcome::PastedOnly},
      {"Electron window of another program", L"Code.exe", L"Chrome_WidgetWin_1",
       L"Chrome_RenderWidgetHostHWND", Outcome::Nothing},
      {"WeChat 3.9 popped-out chat", L"WeChat.exe", L"ChatWnd", nullptr, Outcome::PastedAndSent,
       "ChatWnd"},
      {"Qianniu (seller chat)", L"AliWorkbench.exe", L"Qt5152QWindowIcon", L"Qt5152QWindow",
       Outcome::PastedOnly},
      {"WeCom", L"WXWork.exe", L"WeWorkWindow", nullptr, Outcome::PastedOnly},
      {"WeCom popped-out chat", L"WXWork.exe", L"WwStandaloneConversationWnd", nullptr,
       Outcome::PastedOnly},
  };
  int number = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Client& client = *clientNamed(c.program);
    const HWND target = windowOf(c.program, c.rootClass, c.childClass);
    ASSERT_NE(target, nullptr);
    // Each case clicks its own window, so no two clicks make a double-click.
    const POINT at = centreOf(target);
    ASSERT_EQ(WindowFromPoint(at), target);

    const std::wstring phrase = L"亲，您的订单已发出 #" + std::to_wstring(++number);
    const size_t statusesBefore = statuses.size();
    const size_t releasesBefore = releases.size();
    gKeys.clear();
    copyAndArm(phrase);
    click(at);
    ASSERT_TRUE(pumpUntil([&] { return releases.size() > releasesBefore; }));
    std::printf("[ recognition ] %s: %.3f ms in the listener\n", c.what,
                releases.back().listenerMilliseconds);

    switch (c.outcome) {
      case Outcome::PastedAndSent: {
        ASSERT_TRUE(pumpUntil([&] { return statuses.size() > statusesBefore; }));
        ASSERT_TRUE(pumpUntil([&] { return !transcriptLines(client.transcript).empty(); }));
        pumpFor(200ms);  // a second line would come now
        EXPECT_EQ(transcriptLines(client.transcript),
                  std::vector<std::string>{std::string(c.who) + "\t" + utf8(phrase)});
        EXPECT_EQ(statuses.back(), "发送成功");
        EXPECT_EQ(recordedKeys(), kPasteAndSendKeys);
        EXPECT_EQ(inputLineOf(target), L"");  // sent, so emptied
        break;
      }
      case Outcome::PastedOnly: {
        ASSERT_TRUE(pumpUntil([&] { return statuses.size() > statusesBefore; }));
        EXPECT_EQ(statuses.back(), "已粘贴，请在聊天窗口中发送");
        ASSERT_TRUE(pumpUntil([&] { return inputLineOf(target) == phrase; }));
        pumpFor(500ms);  // longer than a send would still take
        EXPECT_EQ(inputLineOf(target), phrase);  // pasted once, still there
        EXPECT_TRUE(transcriptLines(client.transcript).empty());
        EXPECT_EQ(recordedKeys(), kPasteKeys);  // no send key of any kind
        break;
      }
      case Outcome::Nothing: {
        pumpFor(700ms);  // longer than a send would take
        EXPECT_FALSE(sender.sending());
        EXPECT_EQ(statuses.size(), statusesBefore);
        EXPECT_TRUE(gKeys.empty());
        EXPECT_EQ(inputLineOf(target), L"");
        EXPECT_TRUE(transcriptLines(client.transcript).empty());
        EXPECT_TRUE(mouseWatch().armed());  // still waiting for a chat window
        mouseWatch().disarm();
        break;
      }
    }
    if (c.outcome != Outcome::Nothing) {
      EXPECT_FALSE(mouseWatch().armed());
      EXPECT_FALSE(sender.sending());
    }
  }
}

TEST_F(QuickSendClients, WeChat4GetsThreeHundredMillisecondsForItsPaste) {
  const HWND target = windowOf(L"Weixin.exe", L"Qt51514QWindowIcon", L"MMUIRenderSubWindowHW");
  ASSERT_NE(target, nullptr);
  const Client& client = *clientNamed(L"Weixin.exe");
  const size_t linesBefore = transcriptLines(client.transcript).size();
  RECT rect;
  GetWindowRect(target, &rect);
  const POINT at{rect.left + 60, rect.top + 40};  // not where the other test clicked
  ASSERT_EQ(WindowFromPoint(at), target);
  copyAndArm(L"稍等，马上为您查询");
  click(at);
  ASSERT_TRUE(pumpUntil([&] { return !statuses.empty(); }));
  ASSERT_TRUE(pumpUntil([&] { return transcriptLines(client.transcript).size() > linesBefore; }));
  ASSERT_EQ(recordedKeys(), kPasteAndSendKeys);
  ASSERT_FALSE(releases.empty());

  const double beforePaste = millisecondsBetween(releases.front().at, gKeys[0].at);
  const double afterPaste = millisecondsBetween(gKeys[3].at, gKeys[4].at);
  std::printf("[ send timing ] WeChat 4: release to Ctrl down %.1f ms, V up to Alt down %.1f ms\n",
              beforePaste, afterPaste);
  // Lower bounds only, which a slow machine cannot break; a millisecond
  // covers the timer and the performance counter rounding differently.
  EXPECT_GE(beforePaste, 300.0 - 1.0);
  EXPECT_GE(afterPaste, 300.0 - 1.0);
}

TEST_F(QuickSendClients, TheInspectorFindsTheRootAndItsProgram) {
  const HWND child = windowOf(L"Weixin.exe", L"Qt51514QWindowIcon", L"MMUIRenderSubWindowHW");
  ASSERT_NE(child, nullptr);
  const HWND root = GetParent(child);
  WindowInspectorWin inspector;
  EXPECT_EQ(inspector.rootWindow(windowNumber(child)), windowNumber(root));
  EXPECT_EQ(inspector.rootWindow(windowNumber(root)), windowNumber(root));
  EXPECT_EQ(inspector.className(inspector.rootWindow(windowNumber(child))), "Qt51514QWindowIcon");
  const std::optional<std::string> path = inspector.processImagePath(windowNumber(child));
  ASSERT_TRUE(path.has_value());
  EXPECT_EQ(imageFileName(*path), "Weixin.exe") << *path;
  EXPECT_GT(path->size(), std::string_view("Weixin.exe").size());  // a whole path

  EXPECT_EQ(inspector.rootWindow(0), 0);
  EXPECT_EQ(inspector.processImagePath(0), std::nullopt);

  // A window that has gone names no root and no process.
  const HWND gone = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(gone, nullptr);
  const std::int32_t number = windowNumber(gone);
  ASSERT_TRUE(inspector.processImagePath(number).has_value());
  DestroyWindow(gone);
  EXPECT_EQ(inspector.rootWindow(number), 0);
  EXPECT_EQ(inspector.processImagePath(number), std::nullopt);
}

}  // namespace
}  // namespace moravel
