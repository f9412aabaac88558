#include "send/chat_sender_win.h"

#include <algorithm>
#include <utility>

#include "send/key_chord_win.h"
#include "send/mouse_watch_win.h"
#include "send/pumping_delay_win.h"
#include "text/codepage_win.h"

namespace moravel {
namespace {

constexpr wchar_t kWindowClass[] = L"MoravelChatSender";
// Posted to the sender's own window, which no one else sends anything to.
constexpr UINT kRunSendMessage = WM_USER + 1;

struct ProcessHandle {
  explicit ProcessHandle(HANDLE opened) : handle(opened) {}
  ~ProcessHandle() {
    if (handle != nullptr) CloseHandle(handle);
  }
  ProcessHandle(const ProcessHandle&) = delete;
  ProcessHandle& operator=(const ProcessHandle&) = delete;
  HANDLE handle;
};

}  // namespace

std::optional<std::string> WindowInspectorWin::className(std::int32_t window) {
  const HWND handle = windowFromNumber(window);
  if (handle == nullptr || !IsWindow(handle)) return std::nullopt;
  // The whole name (256 is the most a class name can have); the rules cut it
  // to the length they compare.
  wchar_t name[257];
  const int length = GetClassNameW(handle, name, static_cast<int>(std::size(name)));
  if (length <= 0) return std::nullopt;
  return text::fromWide(std::wstring_view(name, static_cast<std::size_t>(length)));
}

bool WindowInspectorWin::hasParent(std::int32_t window) {
  return GetParent(windowFromNumber(window)) != nullptr;
}

std::int32_t WindowInspectorWin::rootWindow(std::int32_t window) {
  const HWND handle = windowFromNumber(window);
  if (handle == nullptr || !IsWindow(handle)) return 0;
  return windowNumber(GetAncestor(handle, GA_ROOT));
}

std::optional<std::string> WindowInspectorWin::processImagePath(std::int32_t window) {
  const HWND handle = windowFromNumber(window);
  DWORD processId = 0;
  if (handle == nullptr || GetWindowThreadProcessId(handle, &processId) == 0 || processId == 0) {
    return std::nullopt;
  }
  const ProcessHandle process{OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId)};
  if (process.handle == nullptr) return std::nullopt;
  // Paths may be longer than MAX_PATH; the longest has 32,767 characters.
  constexpr std::size_t kLongestPath = 32'768;
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD size = static_cast<DWORD>(path.size());
    if (QueryFullProcessImageNameW(process.handle, 0, path.data(), &size)) {
      path.resize(size);
      return text::fromWide(path);
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || path.size() >= kLongestPath) {
      return std::nullopt;
    }
    path.resize(std::min(path.size() * 4, kLongestPath));
  }
}

bool ChatSenderWin::Scheduler::schedule() {
  return window != nullptr && PostMessageW(window, kRunSendMessage, 0, 0) != FALSE;
}

void ChatSenderWin::Actions::pause(const PumpingDelay& delay) {
  pumpingDelay(delay.amount, delay.unit);
}

void ChatSenderWin::Actions::keyChord(const KeyChord& chord) { moravel::keyChord(chord); }

void ChatSenderWin::Actions::showStatus(std::string_view text) {
  if (showStatusText) showStatusText(text);
}

bool ChatSenderWin::Actions::disarm() { return mouseWatch().disarm(); }

ChatSenderWin::ChatSenderWin(ShowStatus showStatus) {
  actions_.showStatusText = std::move(showStatus);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = windowProcedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kWindowClass;
  RegisterClassExW(&windowClass);  // fails harmlessly when registered already
  // Message-only: never shown, never enumerated, found by no WindowFromPoint.
  scheduler_.window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      instance, this);
}

ChatSenderWin::~ChatSenderWin() {
  mouseWatch().disarm();
  if (scheduler_.window != nullptr) DestroyWindow(scheduler_.window);
}

LRESULT CALLBACK ChatSenderWin::windowProcedure(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  } else if (message == kRunSendMessage) {
    auto* self = reinterpret_cast<ChatSenderWin*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr) {
      try {
        self->sender_.runScheduledSend();
      } catch (...) {
        // The send has ended (ChatSender sees to that); nothing may cross
        // the window procedure.
      }
    }
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace moravel
