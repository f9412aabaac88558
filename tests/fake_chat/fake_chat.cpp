// fake_chat: stands in for the desktop chat clients in the quick-send tests.
//
//   fake_chat.exe <transcript file> [--at <x> <y>]
//
// It opens four windows, laid out from the screen point (x, y), by default
// (20, 20), each 400 x 260 pixels:
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
// Like the real clients, the first three draw their own input line and have
// no child window under it (the dialog's RichEdit is the exception, as in the
// clients that use one). Every window with an input line takes typed
// characters and Ctrl+V (the clipboard's Unicode text), and "sends" on Alt+S
// (in the dialog: the button's mnemonic) by appending one line to the
// transcript and emptying its input line.
//
// Transcript: UTF-8 lines "<who>\t<text>\n", opened, appended and closed for
// every line, so a reader never sees half a line. <who> is the class name of
// the window that sent: "WeChatMainWndForPC", "TXGuiFoundation",
// "TXGuiFoundation/TXGuiFoundation" for the child panel, "RichEditComponent",
// "FakeChatOther". In <text>, a backslash is written "\\", CR "\r", LF "\n".
//
// Closing any of its windows ends the program with exit code 0. Exit code 2:
// bad command line; 3: a window could not be created.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

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

bool registerInputLineClass(HINSTANCE instance, const wchar_t* name) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = inputLineProcedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_IBEAM);
  windowClass.lpszClassName = name;
  return RegisterClassExW(&windowClass) != 0;
}

HWND createTopLevel(HINSTANCE instance, const wchar_t* className, int x, int y) {
  return CreateWindowExW(0, className, className, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, kWidth,
                         kHeight, nullptr, nullptr, instance, nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc < 2) return 2;
  gTranscript = argv[1];
  int x = 20, y = 20;
  if (argc >= 5 && wcscmp(argv[2], L"--at") == 0) {
    x = _wtoi(argv[3]);
    y = _wtoi(argv[4]);
  } else if (argc != 2) {
    return 2;
  }
  LocalFree(argv);

  if (!registerInputLineClass(instance, L"WeChatMainWndForPC") ||
      !registerInputLineClass(instance, L"TXGuiFoundation") ||
      !registerInputLineClass(instance, L"FakeChatOther") || !registerRichEditComponent(instance)) {
    return 3;
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
  HWND dialog = createDialog(instance, x + 840, y);
  HWND other = createTopLevel(instance, L"FakeChatOther", x, y + 300);
  if (weChat == nullptr || qq == nullptr || panel == nullptr || dialog == nullptr ||
      gEdit == nullptr || other == nullptr) {
    return 3;
  }

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
