#include "app/clipboard_win.h"

#include <windows.h>

#include <cstring>

#include "text/codepage_win.h"

namespace moravel {
namespace {

// Global memory handed to the clipboard; freed here unless the system took it.
class GlobalBlock {
 public:
  GlobalBlock(const void* bytes, size_t size) : handle_(GlobalAlloc(GMEM_MOVEABLE, size)) {
    if (!handle_) return;
    void* target = GlobalLock(handle_);
    if (!target) {
      GlobalFree(handle_);
      handle_ = nullptr;
      return;
    }
    std::memcpy(target, bytes, size);
    GlobalUnlock(handle_);
  }
  ~GlobalBlock() {
    if (handle_) GlobalFree(handle_);
  }
  GlobalBlock(const GlobalBlock&) = delete;
  GlobalBlock& operator=(const GlobalBlock&) = delete;

  // Hands the block to the clipboard; on success the system owns it.
  bool giveTo(UINT format) {
    if (!handle_ || !SetClipboardData(format, handle_)) return false;
    handle_ = nullptr;
    return true;
  }

 private:
  HGLOBAL handle_;
};

class OpenedClipboard {
 public:
  OpenedClipboard(int patienceMs, const std::function<void(int)>& wait) {
    constexpr int kPauseMs = 20;
    for (int waited = 0;; waited += kPauseMs) {
      if (OpenClipboard(nullptr)) {
        open_ = true;
        return;
      }
      if (waited >= patienceMs) return;
      if (wait) {
        wait(kPauseMs);
      } else {
        Sleep(kPauseMs);
      }
    }
  }
  ~OpenedClipboard() {
    if (open_) CloseClipboard();
  }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;
  bool isOpen() const { return open_; }

 private:
  bool open_ = false;
};

}  // namespace

bool copyTextToClipboard(std::string_view gbk, int patienceMs, const std::function<void(int)>& wait) {
  const std::wstring wide = text::toWide(gbk);
  const std::string ansi(gbk);
  const LCID chinese = MAKELCID(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), SORT_DEFAULT);

  // Prepared before opening, so the clipboard is held as briefly as possible.
  GlobalBlock unicode(wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
  GlobalBlock bytes(ansi.c_str(), ansi.size() + 1);
  GlobalBlock locale(&chinese, sizeof chinese);

  OpenedClipboard clipboard(patienceMs, wait);
  if (!clipboard.isOpen() || !EmptyClipboard()) return false;
  if (!unicode.giveTo(CF_UNICODETEXT)) return false;
  // The other two formats help older programs; the copy stands without them.
  bytes.giveTo(CF_TEXT);
  locale.giveTo(CF_LOCALE);
  return true;
}

std::string clipboardText() {
  OpenedClipboard clipboard(0, {});
  if (!clipboard.isOpen()) return {};
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  if (!data) return {};
  const auto* wide = static_cast<const wchar_t*>(GlobalLock(data));
  if (!wide) return {};
  std::string result = text::fromWide(wide);
  GlobalUnlock(data);
  return result;
}

}  // namespace moravel
