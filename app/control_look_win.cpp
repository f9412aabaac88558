#include "app/control_look_win.h"

#include <commctrl.h>

#include <string>

#include "app/control_look.h"

namespace moravel {
namespace {

constexpr UINT_PTR kSubclassId = 0x4C4F4F4B;  // 'LOOK'
// Marks a window as taken over (GetWindowSubclass is exported by ordinal
// only, and mingw's import library lacks it).
constexpr wchar_t kTakenOverProperty[] = L"Moravel.ControlLook";

// A GDI object released when it goes out of scope.
class GdiObject {
 public:
  explicit GdiObject(HGDIOBJ object) : object_(object) {}
  ~GdiObject() {
    if (object_) DeleteObject(object_);
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  HGDIOBJ get() const { return object_; }

 private:
  HGDIOBJ object_;
};

// A DC from GetDC/GetWindowDC released when it goes out of scope.
class WindowDc {
 public:
  WindowDc(HWND window, bool whole) : window_(window), dc_(whole ? GetWindowDC(window) : GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

COLORREF colour(std::uint32_t value) { return static_cast<COLORREF>(value); }

// The process-wide switch: the scheme in force and the hook that sees every
// window the GUI thread creates. The hook is released when the process ends.
class ControlLook {
 public:
  static ControlLook& instance() {
    static ControlLook look;
    return look;
  }
  ~ControlLook() {
    if (hook_) UnhookWindowsHookEx(hook_);
  }
  ControlLook(const ControlLook&) = delete;
  ControlLook& operator=(const ControlLook&) = delete;

  void switchOn(int scheme) {
    scheme_ = lookScheme(scheme);
    if (!hook_) {
      // A CBT hook runs only at a few moments in a window's life, creation
      // among them; a hook on every sent message would make each message
      // to every control (a large tree fills with one per item) many times
      // dearer.
      hook_ = SetWindowsHookExW(WH_CBT, hookProc, nullptr, GetCurrentThreadId());
    }
  }
  const LookScheme& scheme() const { return scheme_; }

 private:
  ControlLook() : scheme_(lookScheme(2)) {}
  static LRESULT CALLBACK hookProc(int code, WPARAM wParam, LPARAM lParam);

  LookScheme scheme_;
  HHOOK hook_ = nullptr;
};

ControlKind kindOf(HWND window) {
  wchar_t name[64] = {};
  const int length = GetClassNameW(window, name, 64);
  if (length <= 0) return ControlKind::other;
  std::string ascii;
  for (int i = 0; i < length; ++i) {
    // Class names we look for are ASCII; anything else cannot match.
    ascii.push_back(name[i] < 0x80 ? static_cast<char>(name[i]) : '?');
  }
  return classifyControl(ascii, static_cast<std::uint32_t>(GetWindowLongPtrW(window, GWL_STYLE)));
}

void paintPushButton(HWND button, HDC dc) {
  const LookScheme& scheme = ControlLook::instance().scheme();
  RECT box;
  GetClientRect(button, &box);
  const LRESULT state = SendMessageW(button, BM_GETSTATE, 0, 0);
  const bool pressed = (state & BST_PUSHED) != 0;
  const bool focused = (state & BST_FOCUS) != 0 || GetFocus() == button;
  const bool enabled = IsWindowEnabled(button) != FALSE;
  const LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
  const bool isDefault = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;

  // The parent's background shows in the rounded corners.
  FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
  GdiObject face(CreateSolidBrush(colour(pressed ? scheme.buttonPressed : scheme.buttonFace)));
  GdiObject outline(CreatePen(PS_SOLID, isDefault ? 2 : 1, colour(scheme.buttonFrame)));
  HGDIOBJ oldBrush = SelectObject(dc, face.get());
  HGDIOBJ oldPen = SelectObject(dc, outline.get());
  RoundRect(dc, box.left, box.top, box.right, box.bottom, 5, 5);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);

  const int length = GetWindowTextLengthW(button);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  GetWindowTextW(button, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  auto font = reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0));
  HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, enabled ? colour(scheme.buttonText) : GetSysColor(COLOR_GRAYTEXT));
  RECT textBox = box;
  if (pressed) OffsetRect(&textBox, 1, 1);
  DrawTextW(dc, text.c_str(), length, &textBox, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (oldFont) SelectObject(dc, oldFont);

  if (focused) {
    RECT focus = box;
    InflateRect(&focus, -3, -3);
    DrawFocusRect(dc, &focus);
  }
}

// Where an edit box's border lies. An edit box created with WS_BORDER alone
// takes that style off itself and draws a one-pixel line inside its client
// area; with WS_EX_CLIENTEDGE (or WS_EX_STATICEDGE) the border is non-client.
enum EditBorder : DWORD_PTR { kNoBorder = 0, kNonClientBorder = 1, kClientBorder = 2 };

EditBorder editBorder(LONG_PTR style, LONG_PTR exStyle) {
  if (exStyle & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE)) return kNonClientBorder;
  if (style & WS_BORDER) return kClientBorder;
  return kNoBorder;
}

// The border of an edit box: the outer line in the scheme's frame colour, the
// rest of a thicker border in the box's own background.
void paintEditFrame(HWND edit, DWORD_PTR border) {
  if (border == kNoBorder) return;
  GdiObject frame(CreateSolidBrush(colour(ControlLook::instance().scheme().editFrame)));
  if (border == kClientBorder) {
    WindowDc dc(edit, false);
    if (!dc.get()) return;
    RECT client;
    GetClientRect(edit, &client);
    FrameRect(dc.get(), &client, static_cast<HBRUSH>(frame.get()));
    return;
  }
  const LONG_PTR style = GetWindowLongPtrW(edit, GWL_STYLE);
  const LONG_PTR exStyle = GetWindowLongPtrW(edit, GWL_EXSTYLE);
  const int width = (exStyle & WS_EX_CLIENTEDGE) ? GetSystemMetrics(SM_CXEDGE) : 1;
  WindowDc dc(edit, true);
  if (!dc.get()) return;
  RECT outer;
  GetWindowRect(edit, &outer);
  OffsetRect(&outer, -outer.left, -outer.top);
  FrameRect(dc.get(), &outer, static_cast<HBRUSH>(frame.get()));
  const bool readOnlyLook = !IsWindowEnabled(edit) || (style & ES_READONLY);
  HBRUSH inside = GetSysColorBrush(readOnlyLook ? COLOR_BTNFACE : COLOR_WINDOW);
  for (int ring = 1; ring < width; ++ring) {
    InflateRect(&outer, -1, -1);
    FrameRect(dc.get(), &outer, inside);
  }
}

LRESULT CALLBACK pushButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                UINT_PTR id, DWORD_PTR) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      if (dc) paintPushButton(window, dc);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_PRINTCLIENT:
      paintPushButton(window, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    // The button repaints itself outside WM_PAINT when its state changes;
    // paint over that at once so the system's look never shows.
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SETTEXT:
    case BM_SETSTATE:
    case BM_SETSTYLE:
    case BM_SETCHECK:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_MOUSEMOVE:
    case WM_MOUSELEAVE:
    case WM_CAPTURECHANGED:
    case WM_UPDATEUISTATE: {
      const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
      if (IsWindow(window) && IsWindowVisible(window)) {
        WindowDc dc(window, false);
        if (dc.get()) paintPushButton(window, dc.get());
      }
      return result;
    }
    case WM_NCDESTROY:
      RemovePropW(window, kTakenOverProperty);
      RemoveWindowSubclass(window, pushButtonProc, id);
      break;
    default:
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CALLBACK editBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                             UINT_PTR id, DWORD_PTR border) {
  switch (message) {
    case WM_PAINT:
    case WM_NCPAINT:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_STYLECHANGED:
    case WM_MOUSEMOVE:
    case WM_MOUSELEAVE: {
      // The system (and its visual styles) draw the border in these; the
      // program's frame goes on top.
      const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
      if (IsWindow(window)) paintEditFrame(window, border);
      return result;
    }
    case WM_NCDESTROY:
      RemovePropW(window, kTakenOverProperty);
      RemoveWindowSubclass(window, editBoxProc, id);
      break;
    default:
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

// Marks a control as taken over while leaving its drawing to the system.
LRESULT CALLBACK systemDrawnProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                 UINT_PTR id, DWORD_PTR) {
  if (message == WM_NCDESTROY) {
    RemovePropW(window, kTakenOverProperty);
    RemoveWindowSubclass(window, systemDrawnProc, id);
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

SUBCLASSPROC procFor(ControlKind kind) {
  switch (kind) {
    case ControlKind::pushButton:
      return pushButtonProc;
    case ControlKind::editBox:
      return editBoxProc;
    case ControlKind::other:
      return nullptr;
    default:
      return systemDrawnProc;
  }
}

// Returns whether the window was newly taken over. `style` and `exStyle` are
// the ones it was created with (an edit box changes its own style).
bool takeOver(HWND window, LONG_PTR style, LONG_PTR exStyle) {
  SUBCLASSPROC proc = procFor(kindOf(window));
  if (!proc) return false;
  if (isTakenOver(window)) return false;
  const DWORD_PTR data = proc == editBoxProc ? DWORD_PTR{editBorder(style, exStyle)} : 0;
  if (!SetWindowSubclass(window, proc, kSubclassId, data)) return false;
  SetPropW(window, kTakenOverProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(1)));
  return true;
}

bool takeOver(HWND window) {
  return takeOver(window, GetWindowLongPtrW(window, GWL_STYLE),
                  GetWindowLongPtrW(window, GWL_EXSTYLE));
}

BOOL CALLBACK takeOverChild(HWND window, LPARAM) {
  if (takeOver(window)) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
  }
  return TRUE;
}

BOOL CALLBACK takeOverTopLevel(HWND window, LPARAM) {
  takeOverChild(window, 0);
  EnumChildWindows(window, takeOverChild, 0);
  return TRUE;
}

LRESULT CALLBACK ControlLook::hookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    // The window exists but has had no message yet: the control is ours
    // from its first paint on.
    const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
    if (create && create->lpcs) {
      takeOver(reinterpret_cast<HWND>(wParam), create->lpcs->style, create->lpcs->dwExStyle);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

void setControlLook(int scheme) {
  ControlLook::instance().switchOn(scheme);
  EnumThreadWindows(GetCurrentThreadId(), takeOverTopLevel, 0);
}

bool isTakenOver(HWND window) { return GetPropW(window, kTakenOverProperty) != nullptr; }

}  // namespace moravel
