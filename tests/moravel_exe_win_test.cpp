// Moravel.exe as a user meets it, under Wine: copied into a folder of its own,
// started from another directory, looked at from outside (its tree and status
// bar read through memory in its process), closed, and its call.ini compared
// byte for byte.

#include <windows.h>
// After windows.h.
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/product.h"
#include "text/codepage_win.h"
#include "window_test_support_win.h"

#ifndef MORAVEL_EXE
#error "MORAVEL_EXE must name Moravel.exe"
#endif

namespace moravel {
namespace {

using testing::readBytes;
using testing::testData;
using testing::writeBytes;

// Generous bounds for a slow machine; the tests wait for events, not times.
constexpr DWORD kPatienceMs = 60000;

// Memory inside the program's process, for the messages whose answers are
// written through a pointer.
class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, size_t size)
      : process_(process),
        address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)),
        size_(size) {}
  ~RemoteBuffer() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;

  char* address() const { return static_cast<char*>(address_); }
  bool ok() const { return address_ != nullptr; }
  void write(const void* data, size_t size, size_t offset = 0) {
    WriteProcessMemory(process_, address() + offset, data, size, nullptr);
  }
  void read(void* data, size_t size, size_t offset = 0) const {
    ReadProcessMemory(process_, address() + offset, data, size, nullptr);
  }
  size_t size() const { return size_; }

 private:
  HANDLE process_;
  void* address_;
  size_t size_;
};

struct ShownItem {
  std::string text;  // GBK
  int depth;
  bool expanded;
  bool hasChildren;
};

class Moravel {
 public:
  Moravel() = default;
  ~Moravel() {
    if (process_.hProcess) {
      if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, kPatienceMs);
      }
      CloseHandle(process_.hProcess);
      CloseHandle(process_.hThread);
    }
  }
  Moravel(const Moravel&) = delete;
  Moravel& operator=(const Moravel&) = delete;

  // Starts the program with `directory` as its current directory and waits
  // for its window.
  void start(const std::filesystem::path& exe, const std::filesystem::path& directory) {
    std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    ASSERT_TRUE(CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, directory.c_str(), &startup, &process_));
    WaitForInputIdle(process_.hProcess, kPatienceMs);
    const DWORD until = GetTickCount() + kPatienceMs;
    while (!window_ && static_cast<int>(until - GetTickCount()) > 0) {
      EnumWindows(findWindow, reinterpret_cast<LPARAM>(this));
      if (!window_) Sleep(20);
    }
    ASSERT_NE(window_, nullptr) << "no window";
    tree_ = FindWindowExW(window_, nullptr, WC_TREEVIEWW, nullptr);
    statusBar_ = FindWindowExW(window_, nullptr, STATUSCLASSNAMEW, nullptr);
    keyword_ = FindWindowExW(window_, nullptr, L"Edit", nullptr);
    ASSERT_NE(tree_, nullptr);
    ASSERT_NE(statusBar_, nullptr);
    ASSERT_NE(keyword_, nullptr);
  }

  HWND window() const { return window_; }
  HWND tree() const { return tree_; }
  HWND keyword() const { return keyword_; }
  bool running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

  // The process's exit code once it has ended (STILL_ACTIVE if it does not).
  DWORD exitCode() const {
    WaitForSingleObject(process_.hProcess, kPatienceMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }

  std::vector<ShownItem> items() const {
    std::vector<ShownItem> out;
    RemoteBuffer buffer(process_.hProcess, sizeof(TVITEMW) + 2048 * sizeof(wchar_t));
    if (!buffer.ok()) return out;
    walk(buffer, reinterpret_cast<HTREEITEM>(SendMessageW(tree_, TVM_GETNEXTITEM, TVGN_ROOT, 0)),
         0, out);
    return out;
  }

  std::string statusText(int pane) const {
    const auto length = LOWORD(SendMessageW(statusBar_, SB_GETTEXTLENGTHW, pane, 0));
    RemoteBuffer buffer(process_.hProcess, (length + 1u) * sizeof(wchar_t));
    SendMessageW(statusBar_, SB_GETTEXTW, pane, reinterpret_cast<LPARAM>(buffer.address()));
    std::wstring text(length, L'\0');
    buffer.read(text.data(), length * sizeof(wchar_t));
    return text::fromWide(text);
  }

  DWORD threadId() const { return process_.dwThreadId; }

 private:
  static BOOL CALLBACK findWindow(HWND window, LPARAM self) {
    auto* moravel = reinterpret_cast<Moravel*>(self);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (process == moravel->process_.dwProcessId && std::wstring(name) == L"MoravelMainWindow" &&
        IsWindowVisible(window)) {
      moravel->window_ = window;
      return FALSE;
    }
    return TRUE;
  }

  void walk(RemoteBuffer& buffer, HTREEITEM first, int depth, std::vector<ShownItem>& out) const {
    for (HTREEITEM item = first; item;
         item = reinterpret_cast<HTREEITEM>(SendMessageW(tree_, TVM_GETNEXTITEM, TVGN_NEXT,
                                                         reinterpret_cast<LPARAM>(item)))) {
      TVITEMW info{};
      info.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_STATE;
      info.stateMask = TVIS_EXPANDED;
      info.hItem = item;
      info.pszText = reinterpret_cast<wchar_t*>(buffer.address() + sizeof(TVITEMW));
      info.cchTextMax = 2048;
      buffer.write(&info, sizeof info);
      const wchar_t none = 0;
      buffer.write(&none, sizeof none, sizeof(TVITEMW));
      SendMessageW(tree_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(buffer.address()));
      buffer.read(&info, sizeof info);
      std::wstring text(2048, L'\0');
      buffer.read(text.data(), 2048 * sizeof(wchar_t), sizeof(TVITEMW));
      text.resize(wcslen(text.c_str()));
      const auto child = reinterpret_cast<HTREEITEM>(
          SendMessageW(tree_, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
      out.push_back(ShownItem{text::fromWide(text), depth, (info.state & TVIS_EXPANDED) != 0,
                              child != nullptr});
      walk(buffer, child, depth + 1, out);
    }
  }

  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
  HWND tree_ = nullptr;
  HWND statusBar_ = nullptr;
  HWND keyword_ = nullptr;
};

std::vector<std::string> texts(const std::vector<ShownItem>& items) {
  std::vector<std::string> out;
  for (const ShownItem& item : items) out.push_back(item.text);
  return out;
}

// Every item that has children is shown open.
bool allExpanded(const std::vector<ShownItem>& items) {
  for (const ShownItem& item : items) {
    if (item.hasChildren && !item.expanded) return false;
  }
  return true;
}

std::wstring windowText(HWND window) {
  std::wstring buffer(512, L'\0');
  buffer.resize(static_cast<size_t>(GetWindowTextW(window, buffer.data(), 512)));
  return buffer;
}

void pressEsc(HWND target) {
  PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  PostMessageW(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
}

void sendKey(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof input);
}

void clickAt(POINT screen) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  INPUT inputs[3] = {};
  for (INPUT& input : inputs) {
    input.type = INPUT_MOUSE;
    // Absolute coordinates must round up, or the pointer lands a pixel short.
    input.mi.dx = (screen.x * 65536 + width - 1) / width;
    input.mi.dy = (screen.y * 65536 + height - 1) / height;
    input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE;
  }
  inputs[0].mi.dwFlags |= MOUSEEVENTF_MOVE;
  inputs[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
  inputs[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
  SendInput(3, inputs, sizeof(INPUT));
}

// Waits until `done` holds, for at most the patience; returns whether it did.
template <class Done>
bool waitFor(Done done) {
  const DWORD until = GetTickCount() + kPatienceMs;
  while (!done()) {
    if (static_cast<int>(until - GetTickCount()) <= 0) return false;
    Sleep(20);
  }
  return true;
}

const std::vector<std::string> kDemoTexts = {
    "示范标题1",   "示范子标题1", "示范子标题2", "示范子标题3", "示范子标题4", "示范子标题5",
    "示范子标题6", "示范子标题7", "示范子标题8", "示范子标题9", "示范子标题10", "示范标题2",
    "示范子标题1", "示范子标题2", "示范子标题3", "示范子标题4", "示范子标题5", "示范子标题6",
    "示范子标题7", "示范子标题8", "示范子标题9", "示范子标题10",
};

class MoravelExeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CopyFileW(text::toWide(MORAVEL_EXE).c_str(), exe().c_str(), FALSE))
        << MORAVEL_EXE;
  }

  // Started from the folder above its own, so that only its own directory
  // can lead it to call.ini.
  void start() { moravel_.start(exe(), folder_.path().parent_path()); }

  std::filesystem::path exe() const { return folder_.path() / "Moravel.exe"; }
  std::filesystem::path library() const { return folder_.path() / "call.ini"; }

  testing::TempFolder folder_;
  Moravel moravel_;
};

TEST_F(MoravelExeTest, AFirstStartShowsTheDemonstrationAndEscLeavesTheTwentyTwoLines) {
  start();
  const HWND window = moravel_.window();
  EXPECT_EQ(windowText(window), text::toWide(windowTitle()));
  RECT outer;
  GetWindowRect(window, &outer);
  EXPECT_EQ(outer.right - outer.left, 560);
  EXPECT_EQ(outer.bottom - outer.top, 599);
  EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - 560) / 2);
  EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - 599) / 2);

  const std::vector<ShownItem> items = moravel_.items();
  EXPECT_EQ(texts(items), kDemoTexts);
  ASSERT_EQ(items.size(), 22u);
  EXPECT_EQ(items[0].depth, 0);
  EXPECT_EQ(items[1].depth, 1);
  EXPECT_EQ(items[11].depth, 0);
  EXPECT_TRUE(items[0].expanded);
  EXPECT_TRUE(items[11].expanded);
  EXPECT_EQ(moravel_.statusText(0), "当前状态：");
  EXPECT_EQ(moravel_.statusText(1), "");
  EXPECT_FALSE(std::filesystem::exists(library()));

  pressEsc(moravel_.tree());
  EXPECT_EQ(moravel_.exitCode(), 0u);
  EXPECT_EQ(readBytes(library()), readBytes(testData("demonstration_library.ini")));
}

TEST_F(MoravelExeTest, StartedBesideALibraryItShowsItAndSaysSo) {
  const std::string mine = "[问候]\r\n2=你好\r\n3=在吗？\r\n[告别]\r\n5=再见\r\n6=回头聊\r\n";
  writeBytes(library(), mine);
  start();
  const std::vector<ShownItem> items = moravel_.items();
  EXPECT_EQ(texts(items),
            (std::vector<std::string>{"问候", "你好", "在吗？", "告别", "再见", "回头聊"}));
  EXPECT_TRUE(allExpanded(items));
  EXPECT_EQ(moravel_.statusText(1), "刷新成功");

  // The system menu's Close, as the close button and Alt+F4 give it.
  PostMessageW(moravel_.window(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(moravel_.exitCode(), 0u);
  EXPECT_EQ(readBytes(library()), mine);
}

TEST_F(MoravelExeTest, ALibraryWhoseOnlyCategoryHasNoPhrasesIsNotReplaced) {
  writeBytes(library(), "[空目录]\r\n");
  start();
  const std::vector<ShownItem> items = moravel_.items();
  EXPECT_EQ(texts(items), (std::vector<std::string>{"空目录"}));
  EXPECT_EQ(moravel_.statusText(1), "刷新成功");
  pressEsc(moravel_.keyword());
  EXPECT_EQ(moravel_.exitCode(), 0u);
  EXPECT_EQ(readBytes(library()), "[空目录]\r\n");
}

TEST_F(MoravelExeTest, ShiftEscDoesNotCloseButEscDoes) {
  start();
  const HWND window = moravel_.window();
  SetForegroundWindow(window);
  ASSERT_TRUE(waitFor([&] { return GetForegroundWindow() == window; }));

  // Into the keyword box, where typed keys show.
  RECT box;
  GetWindowRect(moravel_.keyword(), &box);
  clickAt(POINT{(box.left + box.right) / 2, (box.top + box.bottom) / 2});
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  ASSERT_TRUE(waitFor([&] {
    return GetGUIThreadInfo(moravel_.threadId(), &gui) && gui.hwndFocus == moravel_.keyword();
  }));

  sendKey(VK_SHIFT, false);
  sendKey(VK_ESCAPE, false);
  sendKey(VK_ESCAPE, true);
  sendKey(VK_SHIFT, true);
  // A key after it: once its letter is in the box, the Shift+Esc before it
  // has been handled too.
  sendKey('A', false);
  sendKey('A', true);
  ASSERT_TRUE(waitFor([&] {
    wchar_t typed[16] = {};
    SendMessageW(moravel_.keyword(), WM_GETTEXT, 16, reinterpret_cast<LPARAM>(typed));
    return std::wstring(typed) == L"a";
  }));
  EXPECT_TRUE(moravel_.running());
  EXPECT_TRUE(IsWindow(window));

  sendKey(VK_ESCAPE, false);
  sendKey(VK_ESCAPE, true);
  EXPECT_EQ(moravel_.exitCode(), 0u);
  EXPECT_EQ(readBytes(library()), readBytes(testData("demonstration_library.ini")));
}

}  // namespace
}  // namespace moravel
