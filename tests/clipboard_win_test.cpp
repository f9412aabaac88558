#include "app/clipboard_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

namespace moravel {
namespace {

std::string ansiClipboard() {
  if (!OpenClipboard(nullptr)) return "<busy>";
  std::string out;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (auto* bytes = static_cast<const char*>(GlobalLock(data))) {
      out = bytes;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return out;
}

LCID clipboardLocale() {
  if (!OpenClipboard(nullptr)) return 0;
  LCID lcid = 0;
  if (HANDLE data = GetClipboardData(CF_LOCALE)) {
    if (auto* value = static_cast<const LCID*>(GlobalLock(data))) {
      lcid = *value;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return lcid;
}

TEST(Clipboard, CarriesUnicodeGbkAndLocale) {
  ASSERT_TRUE(copyTextToClipboard("您好，欢迎光临！Hello"));
  EXPECT_EQ(clipboardText(), "您好，欢迎光临！Hello");
  EXPECT_EQ(ansiClipboard(), "您好，欢迎光临！Hello");
  EXPECT_EQ(PRIMARYLANGID(LANGIDFROMLCID(clipboardLocale())), LANG_CHINESE);
  // The empty text is a text like any other.
  ASSERT_TRUE(copyTextToClipboard(""));
  EXPECT_EQ(clipboardText(), "");
}

// Another thread holds the clipboard (as a clipboard manager would).
class ClipboardHolder {
 public:
  explicit ClipboardHolder(int holdMs) {
    thread_ = std::thread([this, holdMs] {
      HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
      opened_ = OpenClipboard(window);
      ready_ = true;
      Sleep(static_cast<DWORD>(holdMs));
      if (opened_) CloseClipboard();
      DestroyWindow(window);
    });
    while (!ready_) Sleep(1);
  }
  ~ClipboardHolder() { thread_.join(); }
  bool opened() const { return opened_; }

 private:
  std::thread thread_;
  volatile bool ready_ = false;
  volatile bool opened_ = false;
};

TEST(Clipboard, WaitsForABriefHolder) {
  ASSERT_TRUE(copyTextToClipboard("old"));
  ClipboardHolder holder(200);
  ASSERT_TRUE(holder.opened());
  int waits = 0;
  EXPECT_TRUE(copyTextToClipboard("new", 1000, [&](int ms) {
    ++waits;
    Sleep(static_cast<DWORD>(ms));
  }));
  EXPECT_GT(waits, 0);
  EXPECT_EQ(clipboardText(), "new");
}

TEST(Clipboard, GivesUpOnAHolderThatDoesNotLetGo) {
  ASSERT_TRUE(copyTextToClipboard("old"));
  {
    ClipboardHolder holder(600);
    ASSERT_TRUE(holder.opened());
    EXPECT_FALSE(copyTextToClipboard("new", 100));
  }
  EXPECT_EQ(clipboardText(), "old");
}

}  // namespace
}  // namespace moravel
