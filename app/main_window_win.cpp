#include "app/main_window_win.h"

#include <commctrl.h>

#include "app/control_look_win.h"
#include "app/product.h"
#include "app/res/resource.h"
#include "text/codepage_win.h"

namespace moravel {
namespace {

// The controls, in creation order, which is also the order Tab moves the
// focus in: tree, keyword box, "查找", "保存", "刷新". Positions are in the
// window's client area.
struct ControlSpec {
  int id;
  const wchar_t* windowClass;
  std::string_view text;
  int x, y, width, height;
  DWORD style;
  DWORD exStyle;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kPushButton = kChild | WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER;

const ControlSpec kControls[] = {
    // 树型框1
    {toId(ControlId::tree), WC_TREEVIEWW, "", 0, 0, 552, 488,
     kChild | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_EDITLABELS |
         TVS_SHOWSELALWAYS,
     WS_EX_CLIENTEDGE},
    // 透明标签1
    {toId(ControlId::label), L"Static", "关键字查找：", 8, 500, 72, 32,
     kChild | SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, 0},
    // 编辑框1
    {toId(ControlId::keyword), L"Edit", "", 88, 502, 128, 27, kChild | WS_TABSTOP | ES_AUTOHSCROLL,
     WS_EX_CLIENTEDGE},
    // 按钮_查找
    {toId(Command::findNext), L"Button", "查找", 224, 502, 74, 28, kPushButton, 0},
    // 按钮_保存
    {toId(Command::saveLibrary), L"Button", "保存", 371, 501, 80, 30, kPushButton, 0},
    // 按钮_刷新
    {toId(Command::loadLibrary), L"Button", "刷新", 467, 501, 80, 30, kPushButton, 0},
    // 状态条1: docks itself along the bottom edge, whatever place it is given.
    {toId(ControlId::statusBar), STATUSCLASSNAMEW, "", 0, 529, 296, 20,
     kChild | CCS_BOTTOM | SBARS_TOOLTIPS, 0},
};

struct MenuItemSpec {
  Command command;
  std::string_view text;
};

const MenuItemSpec kMenuItems[] = {
    {Command::toggleExpandAll, "全部收缩/展开"},
    {Command::editLabel, "修改内容"},
    {Command::addCategory, "添加目录"},
    {Command::addPhrase, "添加子项"},
    {Command::deleteItem, "删除当前选中"},
    {Command::showAbout, "关于作者"},
};

constexpr int kStatusPaneEdges[kStatusPaneCount] = {70, -1};

size_t slot(Command command) {
  return static_cast<size_t>(toId(command) - toId(Command::first));
}

}  // namespace

POINT centredOrigin(int screenWidth, int screenHeight) {
  return POINT{(screenWidth - kMainWindowWidth) / 2, (screenHeight - kMainWindowHeight) / 2};
}

MainWindow::MainWindow(std::function<std::filesystem::path()> libraryPath)
    : libraryPath_(std::move(libraryPath)) {
  setCommandHandler(Command::toggleExpandAll, [this] { moravel::toggleExpandAll(tree_); });
  setCommandHandler(Command::saveLibrary, [this] { saveLibrary(); });
  setCommandHandler(Command::loadLibrary, [this] { loadLibrary(); });
}

MainWindow::~MainWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
  treeView_.reset();
  if (contextMenu_) DestroyMenu(contextMenu_);
  if (icon_) DestroyIcon(icon_);
}

bool MainWindow::create(HINSTANCE instance, int showCommand) {
  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  if (!GetClassInfoExW(instance, kMainWindowClass, &windowClass)) {
    windowClass = WNDCLASSEXW{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kMainWindowClass;
    if (!RegisterClassExW(&windowClass)) return false;
  }

  // The window's own picture, at 48 x 48, for both the caption and the taskbar.
  icon_ = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_MORAVEL), IMAGE_ICON, 48,
                                        48, LR_DEFAULTCOLOR));
  buildContextMenu();

  const POINT origin = centredOrigin(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  const std::wstring title = text::toWide(windowTitle());
  const HWND window = CreateWindowExW(
      0, kMainWindowClass, title.c_str(), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
      origin.x, origin.y, kMainWindowWidth, kMainWindowHeight, nullptr, nullptr, instance, this);
  if (!window) return false;

  RECT outer;
  GetWindowRect(window, &outer);
  if (outer.right - outer.left != kMainWindowWidth ||
      outer.bottom - outer.top != kMainWindowHeight) {
    MoveWindow(window, origin.x, origin.y, kMainWindowWidth, kMainWindowHeight, TRUE);
  }
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  return true;
}

void MainWindow::buildContextMenu() {
  if (contextMenu_) return;
  contextMenu_ = CreatePopupMenu();
  if (!contextMenu_) return;
  for (const MenuItemSpec& item : kMenuItems) {
    const std::wstring text = text::toWide(item.text);
    AppendMenuW(contextMenu_, MF_STRING, static_cast<UINT_PTR>(toId(item.command)), text.c_str());
  }
}

void MainWindow::createControls() {
  fonts_ = std::make_unique<UiFonts>();
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE));
  for (const ControlSpec& spec : kControls) {
    const std::wstring text = text::toWide(spec.text);
    const HWND child = CreateWindowExW(
        spec.exStyle, spec.windowClass, text.c_str(), spec.style, spec.x, spec.y, spec.width,
        spec.height, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance,
        nullptr);
    if (!child) continue;
    const HFONT font = spec.id == toId(ControlId::tree) ? fonts_->tree() : fonts_->gui();
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }

  const HWND treeView = treeControl();
  SendMessageW(treeView, TVM_SETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
  SendMessageW(treeView, TVM_SETTEXTCOLOR, 0, RGB(0, 0, 0));
  SendMessageW(treeView, TVM_SETBKCOLOR, 0, RGB(255, 255, 255));
  treeView_ = std::make_unique<TreeViewBinding>(tree_, treeView);

  const HWND statusBar = control(ControlId::statusBar);
  SendMessageW(statusBar, SB_SIMPLE, FALSE, 0);
  SendMessageW(statusBar, SB_SETPARTS, kStatusPaneCount,
               reinterpret_cast<LPARAM>(kStatusPaneEdges));
  setStatusText(0, kStatusCaption);

  if (icon_) {
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  }
}

HWND MainWindow::control(ControlId id) const {
  return hwnd_ ? GetDlgItem(hwnd_, toId(id)) : nullptr;
}

HWND MainWindow::control(Command id) const {
  return hwnd_ ? GetDlgItem(hwnd_, toId(id)) : nullptr;
}

void MainWindow::setControlLook(int scheme) { moravel::setControlLook(scheme); }

void MainWindow::loadLibrary() {
  const bool empty = tree_.itemCount() == 0;
  const LoadResult result = load(tree_, libraryPath_(), *this);
  if (result == LoadResult::loaded) {
    keepUnreadLibrary_ = false;
  } else if (result == LoadResult::readFailed && empty) {
    keepUnreadLibrary_ = true;
  }
}

void MainWindow::saveLibrary() {
  if (save(tree_, libraryPath_(), *this) == SaveResult::saved) keepUnreadLibrary_ = false;
}

void MainWindow::setStatusText(int pane, std::string_view text) {
  if (pane < 0 || pane >= kStatusPaneCount) return;
  const std::wstring wide = text::toWide(text);
  SendMessageW(control(ControlId::statusBar), SB_SETTEXTW, static_cast<WPARAM>(pane),
               reinterpret_cast<LPARAM>(wide.c_str()));
}

std::string MainWindow::statusText(int pane) const {
  if (pane < 0 || pane >= kStatusPaneCount) return {};
  const HWND statusBar = control(ControlId::statusBar);
  const auto length = LOWORD(SendMessageW(statusBar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(pane), 0));
  std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(statusBar, SB_GETTEXTW, static_cast<WPARAM>(pane),
               reinterpret_cast<LPARAM>(wide.data()));
  wide.resize(length);
  return text::fromWide(wide);
}

std::string MainWindow::keyword() const {
  const HWND edit = control(ControlId::keyword);
  const int length = GetWindowTextLengthW(edit);
  std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(edit, wide.data(), length + 1);
  wide.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text::fromWide(wide);
}

void MainWindow::setCommandHandler(Command command, std::function<void()> handler) {
  commands_[slot(command)] = std::move(handler);
}

void MainWindow::runCommand(Command command) {
  if (const auto& handler = commands_[slot(command)]) handler();
}

bool MainWindow::preTranslateMessage(const MSG& message) {
  if (!hwnd_) return false;
  const bool ours = message.hwnd == hwnd_ || IsChild(hwnd_, message.hwnd);
  if (!ours) return false;
  if ((message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) &&
      message.wParam == VK_ESCAPE) {
    // Esc with Ctrl, Shift or Alt is somebody else's key.
    if (keyStateFlags() != 0) return false;
    // From any control, the label editor included: close as the close button
    // does. Nothing sees the key itself.
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    return true;
  }
  if ((message.message == WM_RBUTTONDOWN || message.message == WM_RBUTTONDBLCLK) &&
      treeView_ && message.hwnd == treeControl()) {
    // Before the tree itself reacts (it then makes the item under the pointer
    // current): the handler sees the press while the old current item is
    // still highlighted.
    treeView_->rightButtonPressed(message.lParam);
  }
  return false;
}

void MainWindow::processMessage(MSG& message) {
  if (preTranslateMessage(message)) return;
  if (hwnd_ && IsDialogMessageW(hwnd_, &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void MainWindow::destroying() {
  // An in-place edit still open is taken into the tree first, so nothing the
  // user typed is lost by closing.
  if (const HWND treeView = treeControl()) {
    SendMessageW(treeView, TVM_ENDEDITLABELNOW, FALSE, 0);
  }
  // A library that could not be read stays as it is (it may only have been
  // locked for a moment by another program); the next start reads it.
  if (!keepUnreadLibrary_) onDestroying(*this);
}

LRESULT MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      createControls();
      onCreated(*this);
      return 0;
    case WM_SIZE:
      // Keeps the status bar docked along the bottom edge.
      SendMessageW(control(ControlId::statusBar), WM_SIZE, 0, 0);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
      }
      break;
    case WM_SETFOCUS: {
      // The keyboard goes back to the control that had it, at first the tree.
      const HWND target = lastFocus_ && IsWindow(lastFocus_) ? lastFocus_ : treeControl();
      if (target) SetFocus(target);
      return 0;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const bool fromMenu = lParam == 0 && HIWORD(wParam) == 0;
      const bool clicked = lParam != 0 && HIWORD(wParam) == BN_CLICKED;
      if (isCommandId(id) && (fromMenu || clicked)) {
        runCommand(static_cast<Command>(id));
        return 0;
      }
      break;
    }
    case WM_NOTIFY: {
      LRESULT result = 0;
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (treeView_ && header && treeView_->handleNotify(*header, result)) return result;
      break;
    }
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) == control(ControlId::label)) {
        // The label shows the window's background through its text.
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    case WM_DESTROY:
      destroying();
      return 0;
    case WM_ENDSESSION:
      // Windows is logging off or shutting down and ends the process without
      // destroying the window: save as a close would.
      if (wParam) destroying();
      return 0;
    case WM_NCDESTROY:
      // The children are gone; the tree view with them.
      treeView_.reset();
      // The program's only window: with it, the program ends.
      PostQuitMessage(0);
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace moravel
