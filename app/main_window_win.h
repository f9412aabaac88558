#pragma once
// MainWindow: the program's only window. It holds the phrase tree "树型框1",
// the keyword row, the buttons "保存" and "刷新", and the status bar, and it
// frames the program's life: onCreated runs inside create(), onDestroying
// saves when the window is destroyed (and when the session ends, which ends
// the process without destroying it), and after its last message the thread
// gets the quit request with code 0.
//
// Commands (the buttons and the context menu's items) are dispatched by id to
// handlers that can be replaced with setCommandHandler. Built in: "保存" saves,
// "刷新" loads, and the menu's "全部收缩/展开" runs toggleExpandAll; the other
// menu items and "查找" do nothing until a handler is set. The tree's three
// notifications are bound through tree().setCurrentItemChangedHandler and
// treeView().setItemDoubleClickedHandler / setRightButtonPressedHandler.

#include <windows.h>

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/base_window_win.h"
#include "app/commands.h"
#include "app/fonts_win.h"
#include "app/startup.h"
#include "library/phrase_file.h"
#include "library/phrase_tree.h"
#include "library/tree_view_win.h"

namespace moravel {

// The window's outer size and the status bar's panes.
inline constexpr int kMainWindowWidth = 560;
inline constexpr int kMainWindowHeight = 599;
inline constexpr int kStatusPaneCount = 2;
inline constexpr std::string_view kStatusCaption = "当前状态：";
inline constexpr wchar_t kMainWindowClass[] = L"MoravelMainWindow";

// Where the window goes: centred on a screen of the given size.
POINT centredOrigin(int screenWidth, int screenHeight);

class MainWindow : public BaseWindow<MainWindow>, public StartupHost, public StatusSink {
 public:
  // `libraryPath` gives the library file; it is asked anew for every load and
  // save.
  explicit MainWindow(std::function<std::filesystem::path()> libraryPath);
  // Destroys the window (which saves) if it still exists.
  ~MainWindow() override;

  // Creates and shows the window with its controls and menu; onCreated runs
  // inside. False when the window could not be created.
  bool create(HINSTANCE instance, int showCommand = SW_SHOWNORMAL);

  // The message loop's work for one message: the pre-translation (a plain Esc
  // closes the window; a right-button press in the tree reaches
  // rightButtonPressed before the tree), Tab between the controls, dispatch.
  void processMessage(MSG& message);
  // The pre-translation alone; true when the message has been consumed.
  bool preTranslateMessage(const MSG& message);

  // StartupHost
  PhraseTree& tree() override { return tree_; }
  void setControlLook(int scheme) override;
  void loadLibrary() override;
  void saveLibrary() override;

  // StatusSink: replaces the text of a pane of "状态条1"; a pane outside 0..1
  // changes nothing. The program's messages go to pane 1.
  void setStatusText(int pane, std::string_view text) override;
  // The text of a pane (empty for a pane outside 0..1).
  std::string statusText(int pane) const;

  // The text of the keyword box "编辑框1".
  std::string keyword() const;

  // The tree view binding; exists from create() until the window is destroyed.
  TreeViewBinding& treeView() { return *treeView_; }
  // The context menu's six items (a pop-up menu owned by the window).
  HMENU contextMenu() const { return contextMenu_; }
  // A control by its id.
  HWND control(ControlId id) const;
  HWND control(Command id) const;

  void setCommandHandler(Command command, std::function<void()> handler);
  // What a click on a button or the choice of a menu item does.
  void runCommand(Command command);

  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void createControls();
  void buildContextMenu();
  void destroying();
  HWND treeControl() const { return control(ControlId::tree); }

  std::function<std::filesystem::path()> libraryPath_;
  PhraseTree tree_;
  std::unique_ptr<UiFonts> fonts_;
  std::unique_ptr<TreeViewBinding> treeView_;
  HMENU contextMenu_ = nullptr;
  HICON icon_ = nullptr;
  HWND lastFocus_ = nullptr;
  // The library file exists but could not be read while the tree held
  // nothing of it (at start-up the tree then shows the demonstration): closing
  // must not write over the user's file with that. A later load that succeeds,
  // or a save the user asks for, ends this.
  bool keepUnreadLibrary_ = false;
  std::array<std::function<void()>, toId(Command::last) - toId(Command::first) + 1> commands_;
};

}  // namespace moravel
