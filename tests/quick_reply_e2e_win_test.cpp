// The quick reply from end to end, as a user does it: Moravel.exe in a folder
// of its own with a library of two categories, the fake chat client beside it,
// and the real mouse and keyboard. A double-click copies a phrase, a click into
// a chat window pastes and sends it; the context menu edits the library; the
// "查找" button finds. What arrived is read from the client's transcript.

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/clipboard_win.h"
#include "app/phrase_commands.h"
#include "moravel_process_win.h"
#include "send_win_support.h"
#include "text/codepage_win.h"
#include "window_test_support_win.h"

#ifndef MORAVEL_EXE
#error "MORAVEL_EXE must name Moravel.exe"
#endif
#ifndef MORAVEL_FAKE_CHAT
#error "MORAVEL_FAKE_CHAT must name fake_chat.exe"
#endif

namespace moravel {
namespace {

using namespace exe_test;
using testing::readBytes;
using testing::writeBytes;
using send_test::FakeChat;

// Indices in the tree: 0 问候 (1 您好，在的, 2 😀 谢谢), 3 售后 (4 退货请联系客服, 5 Hello world).
// The emoji is a GB18030 four-byte sequence; it must arrive whole.
const std::string kLibrary =
    "[问候]\r\n2=您好，在的\r\n3=\x94\x39\xFC\x36 谢谢\r\n"
    "[售后]\r\n5=退货请联系客服\r\n6=Hello world\r\n";

// What the fake client writes for a program text: UTF-8.
std::string utf8(const std::string& gbk) { return send_test::utf8(text::toWide(gbk)); }

class QuickReply : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new testing::TempFolder;
    fake_ = new FakeChat;
    // The old clients' windows at the top left of the screen.
    ASSERT_TRUE(fake_->start((folder_->path() / "transcript.txt").wstring(), L"--at 20 20"))
        << "the fake chat client shows no windows";
  }
  static void TearDownTestSuite() {
    delete fake_;
    delete folder_;
  }

  void SetUp() override {
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(CopyFileW(text::toWide(MORAVEL_EXE).c_str(), exe().c_str(), FALSE)) << MORAVEL_EXE;
    writeBytes(library(), kLibrary);
  }

  // Starts Moravel.exe and moves its window to the lower right, clear of the
  // chat windows at the top left.
  void start() {
    moravel_.start(exe(), folder_->path());
    ASSERT_FALSE(HasFatalFailure());
    SetWindowPos(moravel_.window(), nullptr, 700, 400, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_TRUE(waitFor([this] {
      RECT r;
      GetWindowRect(moravel_.window(), &r);
      return r.left == 700 && r.top == 400;
    }));
    ASSERT_EQ(moravel_.items().size(), 6u);
  }

  void doubleClickItem(int index) {
    doubleClickAt(moravel_.itemPoint(index));
    ASSERT_TRUE(waitFor([this] { return moravel_.statusText(1) == kStatusCopied; }))
        << "status: " << moravel_.statusText(1);
  }

  // Clicks and waits for the transcript to grow; false when it did not.
  bool clickAndWaitForALine(POINT at, size_t before) {
    clickAt(at);
    return waitFor([&] { return fake_->lines().size() > before; });
  }

  // Clicks where nothing must be sent, and gives a send the time it would
  // need (more than its 400 ms of waits) to show.
  void clickExpectingNothing(POINT at) {
    const std::vector<std::string> before = fake_->lines();
    clickAt(at);
    Sleep(1500);
    EXPECT_EQ(fake_->lines(), before);
  }

  // Right-clicks an item and chooses the menu's item `position` (1-based).
  void chooseFromMenu(int index, int position) {
    rightClickAt(moravel_.itemPoint(index));
    ASSERT_TRUE(waitFor([] {
      const HWND menu = FindWindowW(L"#32768", nullptr);
      return menu && IsWindowVisible(menu);
    })) << "no context menu";
    for (int i = 0; i < position; ++i) pressKey(VK_DOWN);
    pressKey(VK_RETURN);
    ASSERT_TRUE(waitFor([] {
      const HWND menu = FindWindowW(L"#32768", nullptr);
      return !menu || !IsWindowVisible(menu);
    }));
  }

  void closeWithEsc() {
    SetForegroundWindow(moravel_.window());
    pressEsc(moravel_.tree());
    EXPECT_EQ(moravel_.exitCode(), 0u);
  }

  std::filesystem::path exe() const { return folder_->path() / "Moravel.exe"; }
  std::filesystem::path library() const { return folder_->path() / "call.ini"; }

  static inline testing::TempFolder* folder_ = nullptr;
  static inline FakeChat* fake_ = nullptr;
  Moravel moravel_;
};

TEST_F(QuickReply, ADoubleClickedPhraseIsPastedAndSentOnceIntoAChatWindow) {
  start();
  doubleClickItem(1);
  EXPECT_EQ(clipboardText(), "您好，在的");

  const size_t before = fake_->lines().size();
  ASSERT_TRUE(clickAndWaitForALine(FakeChat::at(fake_->weChat, 200, 230), before));
  ASSERT_TRUE(waitFor([this] { return moravel_.statusText(1) == "发送成功"; }));
  const std::vector<std::string> after = fake_->lines();
  ASSERT_EQ(after.size(), before + 1);
  EXPECT_EQ(after.back(), "WeChatMainWndForPC\t" + utf8("您好，在的"));

  // The send disarmed the watch: another click sends nothing until the next
  // double-click.
  clickExpectingNothing(FakeChat::at(fake_->weChat, 150, 230));
  closeWithEsc();
}

TEST_F(QuickReply, OtherWindowsAreIgnoredAndTheWatchWaitsForAChatWindow) {
  start();
  doubleClickItem(4);
  clickExpectingNothing(FakeChat::at(fake_->other, 200, 230));
  RECT panel;
  GetClientRect(fake_->qqPanel, &panel);
  clickExpectingNothing(FakeChat::at(fake_->qqPanel, panel.right / 2, panel.bottom / 2));
  // Moravel's own window is no chat window either.
  clickExpectingNothing(moravel_.itemPoint(0));

  const size_t before = fake_->lines().size();
  ASSERT_TRUE(clickAndWaitForALine(FakeChat::at(fake_->weChat, 220, 230), before));
  EXPECT_EQ(fake_->lines().back(), "WeChatMainWndForPC\t" + utf8("退货请联系客服"));
  closeWithEsc();
}

TEST_F(QuickReply, AnotherPhraseGoesToTheRichEditDialogWhole) {
  start();
  // The emoji phrase: four GB18030 bytes become a surrogate pair on the
  // clipboard and arrive as one character.
  doubleClickItem(2);
  RECT box;
  GetClientRect(fake_->richEdit, &box);
  const size_t before = fake_->lines().size();
  ASSERT_TRUE(clickAndWaitForALine(FakeChat::at(fake_->richEdit, box.right / 2, box.bottom / 2), before));
  EXPECT_EQ(fake_->lines().back(), "RichEditComponent\t\xF0\x9F\x98\x80 " + utf8("谢谢"));
  closeWithEsc();
}

TEST_F(QuickReply, DeleteFromTheContextMenuRemovesTheRightClickedPhrase) {
  start();
  chooseFromMenu(5, 5);  // "Hello world", "删除当前选中"
  ASSERT_TRUE(waitFor([this] { return moravel_.items().size() == 5u; }));
  closeWithEsc();
  const std::string saved = readBytes(library());
  EXPECT_EQ(saved.find("Hello world"), std::string::npos) << saved;
  EXPECT_NE(saved.find("退货请联系客服"), std::string::npos) << saved;
}

TEST_F(QuickReply, AddCategoryFromTheContextMenuIsSaved) {
  start();
  chooseFromMenu(1, 3);  // "添加目录"
  ASSERT_TRUE(waitFor([this] { return moravel_.items().size() == 7u; }));
  closeWithEsc();
  const std::vector<std::string> lines = send_test::transcriptLines(library().wstring());
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "[" + std::string(kNewCategoryText) + "]\r");
}

TEST_F(QuickReply, FindSelectsTheMatchingItem) {
  start();
  const HWND keyword = moravel_.keyword();
  SendMessageW(keyword, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text::toWide("联系").c_str()));
  const HWND find = GetDlgItem(moravel_.window(), 1000);
  ASSERT_NE(find, nullptr);
  RECT button;
  GetClientRect(find, &button);
  clickAt(FakeChat::at(find, button.right / 2, button.bottom / 2));
  EXPECT_TRUE(waitFor([this] { return moravel_.selectedText() == "退货请联系客服"; }))
      << "selected: " << moravel_.selectedText();
  closeWithEsc();
}

}  // namespace
}  // namespace moravel
