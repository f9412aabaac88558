// setControlLook under Wine: the thread's present windows and every window it
// creates later (a message box's buttons included) are taken over by kind, and
// what the program draws shows on the screen in the scheme's colours.
//
// The look stays on for the rest of the process, so the first test here is
// the one that sees windows made before it was switched on.

#include "app/control_look_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/control_look.h"
#include "window_test_support_win.h"

namespace moravel {
namespace {

constexpr wchar_t kHostClass[] = L"MoravelLookTestHost";

class ControlLookTest : public ::testing::Test {
 protected:
  // One holder window for all tests: Wine takes seconds to destroy a
  // top-level window on a bare X server.
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_STANDARD_CLASSES | ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES |
                                      ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kHostClass;
    RegisterClassExW(&windowClass);
    host_ = CreateWindowExW(0, kHostClass, L"look test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20,
                            500, 400, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    testing::pump();
  }
  static void TearDownTestSuite() {
    DestroyWindow(host_);
    testing::pump();
  }

  static HWND child(const wchar_t* windowClass, DWORD style, int x, int y, int width, int height,
                    DWORD exStyle = 0) {
    return CreateWindowExW(exStyle, windowClass, L"文字", WS_CHILD | WS_VISIBLE | style, x, y,
                           width, height, host_, nullptr, GetModuleHandleW(nullptr), nullptr);
  }

  static COLORREF pixel(HWND window, int x, int y, bool whole) {
    HDC dc = whole ? GetWindowDC(window) : GetDC(window);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
  }

  static inline HWND host_ = nullptr;
};

struct Made {
  const char* name;
  HWND window;
  bool takenOver;
};

TEST_F(ControlLookTest, PresentAndLaterWindowsAreTakenOverByKind) {
  std::vector<Made> made = {
      {"push button", child(L"Button", BS_PUSHBUTTON, 0, 0, 80, 30), true},
      {"default button", child(L"Button", BS_DEFPUSHBUTTON, 0, 0, 80, 30), true},
      {"check box", child(L"Button", BS_AUTOCHECKBOX, 0, 0, 80, 30), true},
      {"radio button", child(L"Button", BS_AUTORADIOBUTTON, 0, 0, 80, 30), true},
      {"group box", child(L"Button", BS_GROUPBOX, 0, 0, 80, 30), true},
      {"owner-drawn button", child(L"Button", BS_OWNERDRAW, 0, 0, 80, 30), false},
      {"edit box", child(L"Edit", WS_BORDER, 0, 0, 80, 30), true},
      {"drop-down list", child(L"ComboBox", CBS_DROPDOWNLIST, 0, 0, 80, 100), true},
      {"simple combo box", child(L"ComboBox", CBS_SIMPLE, 0, 0, 80, 100), false},
      {"up-down", child(UPDOWN_CLASSW, 0, 0, 0, 20, 30), true},
      {"label", child(L"Static", SS_LEFT, 0, 0, 80, 30), false},
      {"tree view", child(WC_TREEVIEWW, 0, 0, 0, 80, 80), false},
      {"status bar", child(STATUSCLASSNAMEW, 0, 0, 0, 80, 20), false},
      {"scroll bar", child(L"ScrollBar", SBS_HORZ, 0, 0, 80, 20), false},
  };
  for (const Made& m : made) {
    SCOPED_TRACE(m.name);
    ASSERT_NE(m.window, nullptr);
    EXPECT_FALSE(isTakenOver(m.window));
  }
  setControlLook(2);
  for (const Made& m : made) {
    SCOPED_TRACE(std::string("present ") + m.name);
    EXPECT_EQ(isTakenOver(m.window), m.takenOver);
  }
  // From now on, from the moment of creation.
  const Made later[] = {
      {"push button", child(L"Button", BS_PUSHBUTTON, 0, 0, 80, 30), true},
      {"edit box", child(L"Edit", 0, 0, 0, 80, 30, WS_EX_CLIENTEDGE), true},
      {"check box", child(L"Button", BS_CHECKBOX, 0, 0, 80, 30), true},
      {"tree view", child(WC_TREEVIEWW, 0, 0, 0, 80, 80), false},
  };
  for (const Made& m : later) {
    SCOPED_TRACE(std::string("later ") + m.name);
    EXPECT_EQ(isTakenOver(m.window), m.takenOver);
    DestroyWindow(m.window);
  }
  for (const Made& m : made) DestroyWindow(m.window);
}

// What the timer saw inside the message box.
struct BoxCheck {
  int buttons = 0;
  int takenOver = 0;
  bool closed = false;
};
BoxCheck boxCheck;

BOOL CALLBACK countButton(HWND window, LPARAM) {
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  if (std::wstring(name) == L"Button") {
    ++boxCheck.buttons;
    if (isTakenOver(window)) ++boxCheck.takenOver;
  }
  return TRUE;
}

BOOL CALLBACK findBox(HWND window, LPARAM) {
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  if (std::wstring(name) != L"#32770") return TRUE;
  EnumChildWindows(window, countButton, 0);
  PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  boxCheck.closed = true;
  return FALSE;
}

void CALLBACK lookForBox(HWND, UINT, UINT_PTR, DWORD) {
  if (!boxCheck.closed) EnumThreadWindows(GetCurrentThreadId(), findBox, 0);
}

TEST_F(ControlLookTest, AMessageBoxsButtonsAreTakenOver) {
  setControlLook(2);
  boxCheck = BoxCheck{};
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, lookForBox);
  MessageBoxW(nullptr, L"本软件支持QQ，微信，旺旺", L"关于作者", MB_RETRYCANCEL | MB_TASKMODAL);
  KillTimer(nullptr, timer);
  EXPECT_TRUE(boxCheck.closed);
  EXPECT_EQ(boxCheck.buttons, 2);
  EXPECT_EQ(boxCheck.takenOver, 2);
}

TEST_F(ControlLookTest, EditFramesAndButtonsShowTheSchemesColours) {
  setControlLook(2);
  const LookScheme scheme = lookScheme(2);
  const COLORREF frame = static_cast<COLORREF>(scheme.editFrame);
  ASSERT_EQ(frame, RGB(164, 185, 127));

  const HWND thick = child(L"Edit", 0, 10, 10, 128, 27, WS_EX_CLIENTEDGE);
  const HWND thin = child(L"Edit", WS_BORDER, 10, 50, 128, 27);
  const HWND button = child(L"Button", BS_PUSHBUTTON | BS_CENTER | BS_VCENTER, 10, 90, 80, 30);
  testing::pump();
  for (HWND edit : {thick, thin}) {
    RedrawWindow(edit, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    RECT box;
    GetWindowRect(edit, &box);
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    EXPECT_EQ(pixel(edit, 0, height / 2, true), frame);
    EXPECT_EQ(pixel(edit, width - 1, height / 2, true), frame);
    EXPECT_EQ(pixel(edit, width / 2, 0, true), frame);
    // The focus comes and goes; the frame stays.
    SetFocus(edit);
    testing::pump();
    EXPECT_EQ(pixel(edit, width / 2, height - 1, true), frame);
  }
  SetFocus(host_);
  testing::pump();

  RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  RECT face;
  GetClientRect(button, &face);
  // Left of the centred text, inside the outline.
  EXPECT_EQ(pixel(button, 5, face.bottom / 2, false), static_cast<COLORREF>(scheme.buttonFace));
  EXPECT_EQ(pixel(button, face.right / 2, 0, false), static_cast<COLORREF>(scheme.buttonFrame));
  SendMessageW(button, BM_SETSTATE, TRUE, 0);
  EXPECT_EQ(pixel(button, 5, face.bottom / 2, false), static_cast<COLORREF>(scheme.buttonPressed));
  SendMessageW(button, BM_SETSTATE, FALSE, 0);
  EXPECT_EQ(pixel(button, 5, face.bottom / 2, false), static_cast<COLORREF>(scheme.buttonFace));

  DestroyWindow(thick);
  DestroyWindow(thin);
  DestroyWindow(button);
}

}  // namespace
}  // namespace moravel
