#pragma once
// Helpers of the quick-send tests under Wine: real mouse input through
// SendInput, waiting while the thread's messages are dispatched (the
// low-level hooks are called only while the thread pumps), the clipboard as
// copyAndArm leaves it, the fake chat client's transcript, and a record of
// every key event of the desktop.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace moravel::send_test {

// Dispatches messages until `done` holds or `limit` has passed; returns
// whether it holds. The limit only keeps a broken test from hanging.
inline bool pumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(15)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

inline void pumpFor(std::chrono::milliseconds time) {
  pumpUntil([] { return false; }, time);
}

// Moves the pointer. Absolute coordinates are in 1/65536 of the screen;
// rounding down lands one pixel short, so they are rounded up.
inline void moveTo(POINT at) {
  const LONG w = GetSystemMetrics(SM_CXSCREEN);
  const LONG h = GetSystemMetrics(SM_CYSCREEN);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = (at.x * 65536 + w - 1) / w;
  input.mi.dy = (at.y * 65536 + h - 1) / h;
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &input, sizeof input);
}

// A button or wheel event where the pointer is.
inline void mouseButton(DWORD flags, DWORD data = 0) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.mouseData = data;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof input);
}

// Move there, press and release the left button. Two clicks on one spot in
// quick succession make a double-click for the window under them: tests
// click different spots.
inline void click(POINT at) {
  moveTo(at);
  mouseButton(MOUSEEVENTF_LEFTDOWN);
  mouseButton(MOUSEEVENTF_LEFTUP);
}

inline POINT centreOf(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

inline double millisecondsBetween(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
         static_cast<double>(frequency.QuadPart);
}

inline LARGE_INTEGER now() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter;
}

inline std::string utf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

// What copyAndArm leaves there: the phrase as Unicode text. Retries while
// another program holds the clipboard.
inline bool putOnClipboard(std::wstring_view text) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
      HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
      bool done = false;
      if (memory != nullptr) {
        auto* chars = static_cast<wchar_t*>(GlobalLock(memory));
        text.copy(chars, text.size());
        chars[text.size()] = L'\0';
        GlobalUnlock(memory);
        done = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        if (!done) GlobalFree(memory);
      }
      CloseClipboard();
      return done;
    }
    Sleep(20);  // another program holds it
  }
  return false;
}

// The lines of a fake chat client's transcript (UTF-8); none when it has
// not written one yet.
inline std::vector<std::string> transcriptLines(const std::wstring& path) {
  std::string bytes;
  if (FILE* file = _wfopen(path.c_str(), L"rb")) {
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, n);
    fclose(file);
  }
  std::vector<std::string> out;
  std::istringstream in(bytes);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

#ifdef MORAVEL_FAKE_CHAT
// The fake chat client (fake_chat.exe) in a process of its own, with its old
// clients' windows found by class once they show.
class FakeChat {
 public:
  FakeChat() = default;
  FakeChat(const FakeChat&) = delete;
  FakeChat& operator=(const FakeChat&) = delete;
  ~FakeChat() { stop(); }

  // Starts it writing what arrives to `transcript` (emptied first); `options`
  // go on its command line after it (e.g. L"--at 20 20"). True once every
  // window shows.
  bool start(const std::wstring& transcript, const std::wstring& options = L"") {
    transcript_ = transcript;
    DeleteFileW(transcript_.c_str());
    std::wstring exe = L"" MORAVEL_FAKE_CHAT;
    for (wchar_t& c : exe) c = c == L'/' ? L'\\' : c;
    std::wstring commandLine = L"\"" + exe + L"\" \"" + transcript_ + L"\"";
    if (!options.empty()) commandLine += L" " + options;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process_)) {
      return false;
    }
    WaitForInputIdle(process_.hProcess, 30'000);
    return pumpUntil([this] { return findWindows(); }, std::chrono::seconds(30));
  }

  // Closes it (ends it, if it will not go) and removes the transcript.
  void stop() {
    if (process_.hProcess == nullptr) return;
    if (weChat != nullptr) PostMessageW(weChat, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_.hProcess, 10'000) != WAIT_OBJECT_0) {
      TerminateProcess(process_.hProcess, 1);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
    process_ = {};
    DeleteFileW(transcript_.c_str());
  }

  // The transcript's lines, UTF-8.
  std::vector<std::string> lines() const { return transcriptLines(transcript_); }

  // A point in a window's client area, on the screen.
  static POINT at(HWND window, int x, int y) {
    POINT point{x, y};
    ClientToScreen(window, &point);
    return point;
  }

  HWND weChat = nullptr;
  HWND qq = nullptr;
  HWND qqPanel = nullptr;
  HWND dialog = nullptr;
  HWND richEdit = nullptr;
  HWND sendButton = nullptr;
  HWND other = nullptr;

 private:
  bool findWindows() {
    EnumWindows(
        [](HWND window, LPARAM self) {
          auto* fake = reinterpret_cast<FakeChat*>(self);
          DWORD pid = 0;
          GetWindowThreadProcessId(window, &pid);
          if (pid != fake->process_.dwProcessId || !IsWindowVisible(window)) return TRUE;
          wchar_t name[64];
          GetClassNameW(window, name, 64);
          const std::wstring_view className = name;
          if (className == L"WeChatMainWndForPC") fake->weChat = window;
          if (className == L"TXGuiFoundation") fake->qq = window;
          if (className == L"FakeChatOther") fake->other = window;
          if (className == L"#32770") fake->dialog = window;
          return TRUE;
        },
        reinterpret_cast<LPARAM>(this));
    if (qq != nullptr) qqPanel = FindWindowExW(qq, nullptr, L"TXGuiFoundation", nullptr);
    if (dialog != nullptr) {
      richEdit = FindWindowExW(dialog, nullptr, L"RichEditComponent", nullptr);
      sendButton = FindWindowExW(dialog, nullptr, L"Button", nullptr);
    }
    return weChat && qq && qqPanel && dialog && richEdit && sendButton && other;
  }

  std::wstring transcript_;
  PROCESS_INFORMATION process_{};
};
#endif

// Every key event of the desktop, as a low-level keyboard hook sees it.
struct KeyEvent {
  DWORD key;  // Ctrl and Alt as VK_CONTROL and VK_MENU, whichever side
  bool up;
  LARGE_INTEGER at;
};

inline std::vector<KeyEvent> gKeys;

inline LRESULT CALLBACK keyboardHook(int code, WPARAM message, LPARAM lParam) {
  if (code >= 0) {
    const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
    DWORD key = event->vkCode;
    if (key == VK_LCONTROL || key == VK_RCONTROL) key = VK_CONTROL;
    if (key == VK_LMENU || key == VK_RMENU) key = VK_MENU;
    gKeys.push_back({key, message == WM_KEYUP || message == WM_SYSKEYUP, now()});
  }
  return CallNextHookEx(nullptr, code, message, lParam);
}

// Records into gKeys while installed; called only while the thread pumps.
inline HHOOK recordKeys() {
  return SetWindowsHookExW(WH_KEYBOARD_LL, keyboardHook, GetModuleHandleW(nullptr), 0);
}

// The keys of gKeys without their times.
inline std::vector<std::pair<DWORD, bool>> recordedKeys() {
  std::vector<std::pair<DWORD, bool>> keys;
  for (const KeyEvent& k : gKeys) keys.push_back({k.key, k.up});
  return keys;
}

}  // namespace moravel::send_test
