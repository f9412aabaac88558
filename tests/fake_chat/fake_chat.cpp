// fake_chat: stands in for the desktop chat clients in the quick-send tests.
//
//   fake_chat.exe <transcript file> [--as <client>] [--at <x> <y>]
//
// Without --as it opens the windows of the older clients, laid out from the
// screen point (x, y), by default (20, 20), each 400 x 260 pixels:
//
//   at (x, y)           a top-level "WeChatMainWndForPC" window
//   at (x + 420, y)     a top-level "TXGuiFoundation" window; the right half
//                       of its upper half is a child window, also of class
//                       "TXGuiFoundation" (a panel: it has a parent)
//   at (x + 840, y)     a dialog whose input box is a "RichEditComponent"
//                       child (a superclass of the system's RichEdit control),
//                       with a "发送(&S)" button under it
//   at (x, y + 300)     a top-level "FakeChatOther" window
//
// With --as it impersonates one of today's clients instead, at (x, y):
//
//   --as wechat3   "ChatWnd", WeChat 3.9's popped-out chat; it draws its own
//                  input line
//   --as weixin    "Qt51514QWindowIcon" (WeChat 4) with a child
//                  "MMUIRenderSubWindowHW" covering its client area
//   --as qq        "Chrome_WidgetWin_1" (QQ NT, Electron) with a child
//                  "Chrome_RenderWidgetHostHWND" covering its client area
//   --as qianniu   "Qt5152QWindowIcon" (千牛) with a child "Qt5152QWindow"
//                  covering its client area
//   --as wecom     "WeWorkWindow" (WeCom) at (x, y) and its popped-out chat
//                  "WwStandaloneConversationWnd" at (x + 420, y), each drawing
//                  its own input line
//
// As with the real clients, WindowFromPoint over a window with a child gives
// the child, and the child has the input line. The clients are told apart by
// the program file of their process as well, so copy this program to the
// client's name before starting it: WeChat.exe (wechat3), Weixin.exe
// (weixin), QQ.exe (qq), AliWorkbench.exe (qianniu), WXWork.exe (wecom). The
// mode does not look at the name, so "--as qq" started as Code.exe is an
// Electron window of another program, which must match nothing. For example:
//
//   copy fake_chat.exe %TEMP%\clients\Weixin.exe
//   %TEMP%\clients\Weixin.exe %TEMP%\weixin.txt --as weixin --at 20 20
//
// Every window with an input line takes typed characters and Ctrl+V (the
// clipboard's Unicode text), and "sends" on Alt+S (in the dialog: the
// button's mnemonic) by appending one line to the transcript and emptying its
// input line. WM_GETTEXT on such a window (on the dialog's RichEdit too)
// gives what its input line holds, so a test can see a paste that was not
// sent; its caption stays as it was created.
//
// Transcript: UTF-8 lines "<who>\t<text>\n", opened, appended and closed for
// every line, so a reader never sees half a line. <who> is the class name of
// the window that sent, with its parent's in front for a child window:
// "WeChatMainWndForPC", "TXGuiFoundation", "TXGuiFoundation/TXGuiFoundation"
// for the child panel, "RichEditComponent", "FakeChatOther", "ChatWnd",
// "Qt51514QWindowIcon/MMUIRenderSubWindowHW",
// "Chrome_WidgetWin_1/Chrome_RenderWidgetHostHWND",
// "Qt5152QWindowIcon/Qt5152QWindow", "WeWorkWindow",
// "WwStandaloneConversationWnd". In <text>, a backslash is written "\\",
// CR "\r", LF "\n".
//
// Closing any of its windows ends the program with exit code 0. Exit code 2:
// bad command line; 3: a window could not be created.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <string_view>

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 260;
constexpr int kSendButtonId = 100;

std::wstring gTranscript;

std::string utf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

void writeTranscript(const std::wstring& who, const std::wstring& text) {
  std::wstring line = who + L"\t";
  for (wchar_t c : text) {
    if (c == L'\\') line += L"\\\\";
    else if (c == L'\r') line += L"\\r";
    else if (c == L'\n') line += L"\\n";
    else line += c;
  }
  line += L"\n";
  if (FILE* file = _wfopen(gTranscript.c_str(), L"ab")) {
    const std::string bytes = utf8(line);
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
  }
}

std::wstring clipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

std::wstring classNameOf(HWND window) {
  wchar_t name[257];
  const int n = GetClassNameW(window, name, 257);
  return std::wstring(name, n > 0 ? static_cast<size_t>(n) : 0);
}

// A window that draws its own input line.
struct InputLine {
  std::wstring who;
  std::wstring text;
};

InputLine* inputLineOf(HWND window) {
  return reinterpret_cast<InputLine*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void paintInputLine(HWND window, const InputLine& line) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  FillRect(dc, &client, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
  SetBkMode(dc, TRANSPARENT);
  RECT label = client;
  label.left += 8;
  label.top += 8;
  DrawTextW(dc, line.who.c_str(), -1, &label, DT_SINGLELINE);
  RECT box = {client.left + 8, client.bottom - 40, client.right - 8, client.bottom - 8};
  FrameRect(dc, &box, static_cast<HBRUSH>(GetStockObject(GetFocus() == window ? BLACK_BRUSH : GRAY_BRUSH)));
  InflateRect(&box, -4, -4);
  DrawTextW(dc, line.text.c_str(), -1, &box, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
  EndPaint(window, &paint);
}

LRESULT CALLBACK inputLineProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  InputLine* line = inputLineOf(window);
  switch (message) {
    case WM_NCCREATE: {
      auto* created = new InputLine;
      created->who = classNameOf(window);
      if (HWND parent = GetParent(window)) created->who = classNameOf(parent) + L"/" + created->who;
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
      break;
    }
    case WM_NCDESTROY:
      delete line;
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
    case WM_LBUTTONDOWN:
      // Clicking the input line puts the caret there, as in the clients.
      SetFocus(window);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_KEYDOWN:
      if (line == nullptr) break;
      if (wParam == 'V' && GetKeyState(VK_CONTROL) < 0) {
        line->text += clipboardText();
        InvalidateRect(window, nullptr, TRUE);
        return 0;
      }
      if (wParam == VK_BACK && !line->text.empty()) {
        line->text.pop_back();
        InvalidateRect(window, nullptr, TRUE);
        return 0;
      }
      break;
    case WM_CHAR:
      if (line != nullptr && wParam >= 0x20 && GetKeyState(VK_CONTROL) >= 0) {
        line->text += static_cast<wchar_t>(wParam);
        InvalidateRect(window, nullptr, TRUE);
        return 0;
      }
      break;
    case WM_SYSKEYDOWN:
      if (line != nullptr && wParam == 'S') {
        writeTranscript(line->who, line->text);
        line->text.clear();
        InvalidateRect(window, nullptr, TRUE);
        return 0;
      }
      break;
    case WM_SYSCHAR:
      if (wParam == L's' || wParam == L'S') return 0;  // no menu, no beep
      break;
    case WM_PAINT:
      if (line == nullptr) break;
      paintInputLine(window, *line);
      return 0;
    case WM_GETTEXTLENGTH:
      if (line == nullptr) break;
      return static_cast<LRESULT>(line->text.size());
    case WM_GETTEXT: {
      // The input line, cut to the caller's buffer with its terminating zero.
      if (line == nullptr) break;
      auto* buffer = reinterpret_cast<wchar_t*>(lParam);
      if (buffer == nullptr || wParam == 0) return 0;
      const size_t copied = std::min(line->text.size(), static_cast<size_t>(wParam) - 1);
      line->text.copy(buffer, copied);
      buffer[copied] = L'\0';
      return static_cast<LRESULT>(copied);
    }
    case WM_CLOSE:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// The root window of a client whose input line is a child covering the
// whole client area: it keeps the child over its client area and passes the
// keyboard focus on to it, as Qt and Chromium do with their inner windows.
LRESULT CALLBACK rootProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      if (HWND child = GetWindow(window, GW_CHILD)) {
        MoveWindow(child, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      }
      return 0;
    case WM_SETFOCUS:
      if (HWND child = GetWindow(window, GW_CHILD)) SetFocus(child);
      return 0;
    case WM_CLOSE:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

WNDPROC gRichEditProcedure = nullptr;

LRESULT CALLBACK richEditComponentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcW(gRichEditProcedure, window, message, wParam, lParam);
}

// "RichEditComponent": the system's RichEdit under another class name, as
// chat clients register it.
bool registerRichEditComponent(HINSTANCE instance) {
  const wchar_t* base = L"RICHEDIT50W";
  HMODULE library = LoadLibraryW(L"Msftedit.dll");
  if (library == nullptr) {
    library = LoadLibraryW(L"riched20.dll");
    base = L"RichEdit20W";
  }
  if (library == nullptr) return false;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  if (!GetClassInfoExW(nullptr, base, &windowClass) && !GetClassInfoExW(library, base, &windowClass)) {
    return false;
  }
  gRichEditProcedure = windowClass.lpfnWndProc;
  windowClass.lpfnWndProc = richEditComponentProcedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"RichEditComponent";
  windowClass.style &= ~static_cast<UINT>(CS_GLOBALCLASS);
  return RegisterClassExW(&windowClass) != 0;
}

HWND gEdit = nullptr;

INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      const HINSTANCE instance = GetModuleHandleW(nullptr);
      RECT client;
      GetClientRect(dialog, &client);
      gEdit = CreateWindowExW(WS_EX_CLIENTEDGE, L"RichEditComponent", L"",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 8, 8,
                              client.right - 16, client.bottom - 56, dialog, nullptr, instance, nullptr);
      HWND button = CreateWindowExW(0, L"BUTTON", L"发送(&S)",
                                    WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                                    client.right - 108, client.bottom - 40, 100, 32, dialog,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kSendButtonId)),
                                    instance, nullptr);
      if (gEdit == nullptr || button == nullptr) return TRUE;
      SetFocus(gEdit);
      return FALSE;  // focus set here
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == kSendButtonId && HIWORD(wParam) == BN_CLICKED && gEdit != nullptr) {
        const int length = GetWindowTextLengthW(gEdit);
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        text.resize(static_cast<size_t>(GetWindowTextW(gEdit, text.data(), length + 1)));
        writeTranscript(L"RichEditComponent", text);
        SetWindowTextW(gEdit, L"");
        SetFocus(gEdit);
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      PostQuitMessage(0);
      return TRUE;
  }
  return FALSE;
}

HWND createDialog(HINSTANCE instance, int x, int y) {
  // An in-memory template without controls; they are created in
  // WM_INITDIALOG, where the RichEdit class is sure to be registered.
  struct alignas(4) Template {
    DLGTEMPLATE dialog;
    WORD menu;
    WORD windowClass;
    wchar_t title[5];
  } dialogTemplate{};
  dialogTemplate.dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
  dialogTemplate.dialog.cx = 200;
  dialogTemplate.dialog.cy = 100;
  wcscpy(dialogTemplate.title, L"聊天对话");
  HWND dialog = CreateDialogIndirectParamW(instance, &dialogTemplate.dialog, nullptr, dialogProcedure, 0);
  if (dialog != nullptr) {
    SetWindowPos(dialog, nullptr, x, y, kWidth, kHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client;
    GetClientRect(dialog, &client);
    MoveWindow(gEdit, 8, 8, client.right - 16, client.bottom - 56, TRUE);
    MoveWindow(GetDlgItem(dialog, kSendButtonId), client.right - 108, client.bottom - 40, 100, 32,
               TRUE);
  }
  return dialog;
}

bool registerClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_IBEAM);
  windowClass.lpszClassName = name;
  return RegisterClassExW(&windowClass) != 0;
}

bool registerInputLineClass(HINSTANCE instance, const wchar_t* name) {
  return registerClass(instance, name, inputLineProcedure);
}

HWND createTopLevel(HINSTANCE instance, const wchar_t* className, int x, int y) {
  return CreateWindowExW(0, className, className, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, kWidth,
                         kHeight, nullptr, nullptr, instance, nullptr);
}

// The windows of the older clients; false when one could not be made.
bool openOlderClients(HINSTANCE instance, int x, int y, HWND& dialog) {
  if (!registerInputLineClass(instance, L"WeChatMainWndForPC") ||
      !registerInputLineClass(instance, L"TXGuiFoundation") ||
      !registerInputLineClass(instance, L"FakeChatOther") || !registerRichEditComponent(instance)) {
    return false;
  }
  HWND weChat = createTopLevel(instance, L"WeChatMainWndForPC", x, y);
  HWND qq = createTopLevel(instance, L"TXGuiFoundation", x + 420, y);
  HWND panel = nullptr;
  if (qq != nullptr) {
    RECT client;
    GetClientRect(qq, &client);
    panel = CreateWindowExW(WS_EX_CLIENTEDGE, L"TXGuiFoundation", L"", WS_CHILD | WS_VISIBLE,
                            client.right / 2, 0, client.right / 2, client.bottom / 2,
                            qq, nullptr, instance, nullptr);
  }
  dialog = createDialog(instance, x + 840, y);
  HWND other = createTopLevel(instance, L"FakeChatOther", x, y + 300);
  return weChat != nullptr && qq != nullptr && panel != nullptr && dialog != nullptr &&
         gEdit != nullptr && other != nullptr;
}

// A top-level window that draws its own input line.
bool openPlainWindow(HINSTANCE instance, const wchar_t* className, int x, int y) {
  return registerInputLineClass(instance, className) &&
         createTopLevel(instance, className, x, y) != nullptr;
}

// A root window whose client area is all one child with the input line.
bool openWindowWithChild(HINSTANCE instance, const wchar_t* rootClass, const wchar_t* childClass,
                         int x, int y) {
  if (!registerClass(instance, rootClass, rootProcedure) ||
      !registerInputLineClass(instance, childClass)) {
    return false;
  }
  HWND root = CreateWindowExW(0, rootClass, rootClass, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, y,
                              kWidth, kHeight, nullptr, nullptr, instance, nullptr);
  if (root == nullptr) return false;
  RECT client;
  GetClientRect(root, &client);
  HWND child = CreateWindowExW(0, childClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, client.right,
                               client.bottom, root, nullptr, instance, nullptr);
  if (child == nullptr) return false;
  ShowWindow(root, SW_SHOW);
  return true;
}

// The windows of one of today's clients (see the top of this file); false
// for an unknown client or a window that could not be made.
bool openClient(HINSTANCE instance, std::wstring_view client, int x, int y) {
  if (client == L"wechat3") return openPlainWindow(instance, L"ChatWnd", x, y);
  if (client == L"weixin") {
    return openWindowWithChild(instance, L"Qt51514QWindowIcon", L"MMUIRenderSubWindowHW", x, y);
  }
  if (client == L"qq") {
    return openWindowWithChild(instance, L"Chrome_WidgetWin_1", L"Chrome_RenderWidgetHostHWND", x,
                               y);
  }
  if (client == L"qianniu") {
    return openWindowWithChild(instance, L"Qt5152QWindowIcon", L"Qt5152QWindow", x, y);
  }
  if (client == L"wecom") {
    return openPlainWindow(instance, L"WeWorkWindow", x, y) &&
           openPlainWindow(instance, L"WwStandaloneConversationWnd", x + 420, y);
  }
  return false;
}

bool isClient(std::wstring_view client) {
  return client == L"wechat3" || client == L"weixin" || client == L"qq" || client == L"qianniu" ||
         client == L"wecom";
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc < 2) return 2;
  gTranscript = argv[1];
  int x = 20, y = 20;
  std::wstring client;
  for (int i = 2; i < argc; ++i) {
    const std::wstring_view option = argv[i];
    if (option == L"--at" && i + 2 < argc) {
      x = _wtoi(argv[i + 1]);
      y = _wtoi(argv[i + 2]);
      i += 2;
    } else if (option == L"--as" && i + 1 < argc && client.empty() && isClient(argv[i + 1])) {
      client = argv[++i];
    } else {
      return 2;
    }
  }
  LocalFree(argv);

  HWND dialog = nullptr;
  const bool opened = client.empty() ? openOlderClients(instance, x, y, dialog)
                                     : openClient(instance, client, x, y);
  if (!opened) return 3;

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (dialog != nullptr && IsDialogMessageW(dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
