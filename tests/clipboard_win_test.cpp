#include "app/clipboard_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <shellapi.h>

#include <string>

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

// Started as "<this test>.exe --hold-clipboard <ms>", the program is another
// process that holds the clipboard for that long, as a clipboard manager or a
// remote-desktop client does.
[[maybe_unused]] const bool kIsHolder = [] {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc != 3 || std::wstring(argv[1]) != L"--hold-clipboard") return false;
  const DWORD holdMs = static_cast<DWORD>(_wtoi(argv[2]));
  // With an owner window, so that the other side can see who has it.
  HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  if (!OpenClipboard(window)) ExitProcess(2);
  Sleep(holdMs);
  CloseClipboard();
  ExitProcess(0);
}();

class ClipboardHolder {
 public:
  explicit ClipboardHolder(int holdMs) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --hold-clipboard " + std::to_wstring(holdMs);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process_)) {
      return;
    }
    // Held once the clipboard names an open window.
    for (int i = 0; i < 10000 && !GetOpenClipboardWindow(); ++i) {
      if (WaitForSingleObject(process_.hProcess, 1) == WAIT_OBJECT_0) break;
    }
    holding_ = GetOpenClipboardWindow() != nullptr;
  }
  ~ClipboardHolder() {
    if (!process_.hProcess) return;
    WaitForSingleObject(process_.hProcess, 30000);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  bool holding() const { return holding_; }

 private:
  PROCESS_INFORMATION process_{};
  bool holding_ = false;
};

TEST(Clipboard, WaitsForAnotherProgramThatHoldsItBriefly) {
  ASSERT_TRUE(copyTextToClipboard("old"));
  ClipboardHolder holder(200);
  ASSERT_TRUE(holder.holding());
  int waits = 0;
  EXPECT_TRUE(copyTextToClipboard("new", 1000, [&](int ms) {
    ++waits;
    Sleep(static_cast<DWORD>(ms));
  }));
  EXPECT_GT(waits, 0);
  EXPECT_EQ(clipboardText(), "new");
}

TEST(Clipboard, GivesUpOnAnotherProgramThatHoldsItForSeconds) {
  ASSERT_TRUE(copyTextToClipboard("old"));
  {
    ClipboardHolder holder(3000);
    ASSERT_TRUE(holder.holding());
    EXPECT_FALSE(copyTextToClipboard("new"));
  }
  EXPECT_EQ(clipboardText(), "old");
}

}  // namespace
}  // namespace moravel
