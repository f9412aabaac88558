#pragma once
// The phrase commands bound to the main window: the "查找" button, the context
// menu's items, the tree's double-click and right-button press. Create it
// after the window, on the GUI thread; it must live as long as the window can
// run a command (in practice: until the message loop has ended).

#include <string>
#include <string_view>

#include "app/main_window_win.h"
#include "app/phrase_commands.h"
#include "app/quick_send_win.h"

namespace moravel {

class WindowCommands : public CommandHost {
 public:
  WindowCommands(MainWindow& window, QuickSend& quickSend);
  WindowCommands(const WindowCommands&) = delete;
  WindowCommands& operator=(const WindowCommands&) = delete;

  PhraseCommands& commands() { return commands_; }

  // CommandHost
  PhraseTree& tree() override { return window_.tree(); }
  std::string keyword() override { return window_.keyword(); }
  void setStatusText(int pane, std::string_view text) override { window_.setStatusText(pane, text); }
  bool copyToClipboard(std::string_view text) override;
  void armQuickSend() override { quickSend_.arm(); }
  void popUpContextMenu() override;
  void showAboutBox(std::string_view caption, std::string_view text) override;

 private:
  MainWindow& window_;
  QuickSend& quickSend_;
  PhraseCommands commands_;
};

}  // namespace moravel
