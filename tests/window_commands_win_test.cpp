// The phrase commands bound to the real main window, in-process under Wine:
// the about box as the user sees it, and a copy that cannot reach the
// clipboard.

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

#include "app/main_window_win.h"
#include "app/phrase_commands.h"
#include "app/product.h"
#include "app/quick_send_win.h"
#include "app/window_commands_win.h"
#include "text/codepage_win.h"
#include "window_test_support_win.h"

namespace moravel {
namespace {

class WindowCommandsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new testing::TempFolder;
    window_ = new MainWindow([] { return folder_->path() / "call.ini"; });
    ASSERT_TRUE(window_->create(GetModuleHandleW(nullptr)));
    quickSend_ = new QuickSend([](std::string_view text) { window_->setStatusText(1, text); });
    commands_ = new WindowCommands(*window_, *quickSend_);
  }
  static void TearDownTestSuite() {
    delete commands_;
    delete quickSend_;
    delete window_;
    delete folder_;
  }

  static inline testing::TempFolder* folder_ = nullptr;
  static inline MainWindow* window_ = nullptr;
  static inline QuickSend* quickSend_ = nullptr;
  static inline WindowCommands* commands_ = nullptr;
};

struct AboutBox {
  std::wstring caption;
  std::wstring text;
  bool retry = false;
  bool cancel = false;
  bool owned = true;
};

// Reads the message box once it shows, then closes it with Cancel.
void inspectAboutBox(AboutBox& seen) {
  HWND box = nullptr;
  for (int i = 0; i < 3000 && !box; ++i) {
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM found) {
          wchar_t name[16];
          GetClassNameW(window, name, 16);
          if (std::wstring(name) == L"#32770" && IsWindowVisible(window)) {
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&box));
    if (!box) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      Sleep(1);
    }
  }
  if (!box) return;
  wchar_t buffer[512];
  GetWindowTextW(box, buffer, 512);
  seen.caption = buffer;
  // The text is the dialog's static control (id 0xFFFF in message boxes).
  GetDlgItemTextW(box, 0xFFFF, buffer, 512);
  seen.text = buffer;
  seen.retry = GetDlgItem(box, IDRETRY) != nullptr;
  seen.cancel = GetDlgItem(box, IDCANCEL) != nullptr;
  seen.owned = GetWindow(box, GW_OWNER) != nullptr;
  PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(WindowCommandsTest, AboutBoxShowsTheTextWithRetryAndCancelAndNoOwner) {
  AboutBox seen;
  // The box runs its own message loop inside the command; a timer on this
  // thread looks at it from inside that loop.
  static AboutBox* target = nullptr;
  target = &seen;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    inspectAboutBox(*target);
  });
  ASSERT_NE(timer, 0u);
  window_->runCommand(Command::showAbout);
  EXPECT_EQ(seen.caption, text::toWide("关于作者"));
  // Message boxes show the text with its line breaks; compare what matters.
  const std::wstring expected = text::toWide(aboutText(kContactNumber));
  EXPECT_EQ(seen.text, expected);
  EXPECT_TRUE(seen.retry);
  EXPECT_TRUE(seen.cancel);
  EXPECT_FALSE(seen.owned);
}

TEST_F(WindowCommandsTest, ACopyThatCannotReachTheClipboardIsReportedAndDoesNotArm) {
  PhraseTree& tree = window_->tree();
  tree.setCurrentItem(1);
  ASSERT_EQ(tree.currentItem(), 1);
  // Another program holds the clipboard for longer than the copy waits.
  HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread holder([&] {
    HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    const bool opened = OpenClipboard(owner);
    SetEvent(held);
    WaitForSingleObject(release, 10000);
    if (opened) CloseClipboard();
    DestroyWindow(owner);
  });
  WaitForSingleObject(held, 10000);
  commands_->commands().copyAndArm();
  SetEvent(release);
  holder.join();
  CloseHandle(held);
  CloseHandle(release);
  EXPECT_EQ(window_->statusText(1), kStatusCopyFailed);
  EXPECT_FALSE(quickSend_->armed());

  // Once the clipboard is free, the same double-click copies and arms.
  commands_->commands().copyAndArm();
  EXPECT_EQ(window_->statusText(1), kStatusCopied);
  EXPECT_TRUE(quickSend_->armed());
}

}  // namespace
}  // namespace moravel
