#pragma once
// Moravel.exe as a process under test: started from a folder, its window found,
// its tree and status bar read through memory in its process (their messages
// answer through pointers), and the real mouse and keyboard to drive it.

#include <windows.h>
// After windows.h.
#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "text/codepage_win.h"

namespace moravel::exe_test {

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

  // The control items in the tree's order (categories, then their phrases).
  std::vector<HTREEITEM> handles() const {
    std::vector<HTREEITEM> out;
    collect(reinterpret_cast<HTREEITEM>(SendMessageW(tree_, TVM_GETNEXTITEM, TVGN_ROOT, 0)), out);
    return out;
  }

  // The screen point in the middle of the text of the item at `index`.
  POINT itemPoint(int index) const {
    const std::vector<HTREEITEM> all = handles();
    POINT at{-1, -1};
    if (index < 0 || index >= static_cast<int>(all.size())) return at;
    // TVM_GETITEMRECT takes the item in the RECT it then fills.
    RemoteBuffer buffer(process_.hProcess, sizeof(RECT));
    HTREEITEM item = all[static_cast<size_t>(index)];
    buffer.write(&item, sizeof item);
    SendMessageW(tree_, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(buffer.address()));
    RECT rect{};
    buffer.read(&rect, sizeof rect);
    at = POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ClientToScreen(tree_, &at);
    return at;
  }

  // The text of the selected item; empty when none is selected.
  std::string selectedText() const {
    const auto selected = reinterpret_cast<HTREEITEM>(SendMessageW(tree_, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!selected) return {};
    const std::vector<HTREEITEM> all = handles();
    const std::vector<ShownItem> shown = items();
    for (size_t i = 0; i < all.size() && i < shown.size(); ++i) {
      if (all[i] == selected) return shown[i].text;
    }
    return {};
  }

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

  void collect(HTREEITEM first, std::vector<HTREEITEM>& out) const {
    for (HTREEITEM item = first; item;
         item = reinterpret_cast<HTREEITEM>(SendMessageW(tree_, TVM_GETNEXTITEM, TVGN_NEXT,
                                                         reinterpret_cast<LPARAM>(item)))) {
      out.push_back(item);
      collect(reinterpret_cast<HTREEITEM>(
                  SendMessageW(tree_, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item))),
              out);
    }
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

inline std::vector<std::string> texts(const std::vector<ShownItem>& items) {
  std::vector<std::string> out;
  for (const ShownItem& item : items) out.push_back(item.text);
  return out;
}

// Every item that has children is shown open.
inline bool allExpanded(const std::vector<ShownItem>& items) {
  for (const ShownItem& item : items) {
    if (item.hasChildren && !item.expanded) return false;
  }
  return true;
}

inline std::wstring windowText(HWND window) {
  std::wstring buffer(512, L'\0');
  buffer.resize(static_cast<size_t>(GetWindowTextW(window, buffer.data(), 512)));
  return buffer;
}

inline void pressEsc(HWND target) {
  PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  PostMessageW(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
}

inline void sendKey(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof input);
}

// Buttons at a screen point, the pointer moved there first.
inline void mouseAt(POINT screen, std::initializer_list<DWORD> buttons) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  std::vector<INPUT> inputs(buttons.size() + 1);
  for (INPUT& input : inputs) {
    input.type = INPUT_MOUSE;
    // Absolute coordinates must round up, or the pointer lands a pixel short.
    input.mi.dx = (screen.x * 65536 + width - 1) / width;
    input.mi.dy = (screen.y * 65536 + height - 1) / height;
    input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE;
  }
  inputs[0].mi.dwFlags |= MOUSEEVENTF_MOVE;
  size_t at = 1;
  for (DWORD button : buttons) inputs[at++].mi.dwFlags |= button;
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

inline void clickAt(POINT screen) { mouseAt(screen, {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}); }

inline void doubleClickAt(POINT screen) {
  mouseAt(screen, {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP});
}

inline void rightClickAt(POINT screen) {
  mouseAt(screen, {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP});
}

inline void pressKey(WORD key) {
  sendKey(key, false);
  sendKey(key, true);
}

// Waits until `done` holds, for at most the patience; returns whether it did.
template <class Done>
inline bool waitFor(Done done) {
  const DWORD until = GetTickCount() + kPatienceMs;
  while (!done()) {
    if (static_cast<int>(until - GetTickCount()) <= 0) return false;
    Sleep(20);
  }
  return true;
}

}  // namespace moravel::exe_test
