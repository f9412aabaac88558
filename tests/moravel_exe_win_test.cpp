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
#include "moravel_process_win.h"
#include "window_test_support_win.h"

#ifndef MORAVEL_EXE
#error "MORAVEL_EXE must name Moravel.exe"
#endif

namespace moravel {
namespace {

using testing::readBytes;
using testing::testData;
using testing::writeBytes;
using namespace exe_test;

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
