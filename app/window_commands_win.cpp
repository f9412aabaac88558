#include "app/window_commands_win.h"

#include "app/clipboard_win.h"
#include "app/product.h"
#include "send/pumping_delay_win.h"
#include "text/codepage_win.h"

namespace moravel {
namespace {
// The menu opens a little right of and below the pointer, so that the pointer
// does not rest on its first item.
constexpr int kMenuOffset = 3;
}  // namespace

WindowCommands::WindowCommands(MainWindow& window, QuickSend& quickSend)
    : window_(window), quickSend_(quickSend), commands_(*this) {
  window_.setCommandHandler(Command::findNext, [this] { commands_.findNext(); });
  window_.setCommandHandler(Command::editLabel, [this] { commands_.editLabel(); });
  window_.setCommandHandler(Command::addCategory, [this] { commands_.addCategory(); });
  window_.setCommandHandler(Command::addPhrase, [this] { commands_.addPhrase(); });
  window_.setCommandHandler(Command::deleteItem, [this] { commands_.deleteItem(); });
  window_.setCommandHandler(Command::showAbout, [this] { commands_.showAbout(kContactNumber); });
  window_.treeView().setItemDoubleClickedHandler([this] { commands_.copyAndArm(); });
  window_.treeView().setRightButtonPressedHandler([this](int, int, int) { commands_.showContextMenu(); });
}

bool WindowCommands::copyToClipboard(std::string_view text) {
  // While another program holds the clipboard, the window keeps painting and
  // the mouse watch keeps being served.
  return copyTextToClipboard(text, 1000, [](int ms) { pumpingDelay(ms); });
}

void WindowCommands::popUpContextMenu() {
  POINT at{};
  GetCursorPos(&at);
  // A chosen item arrives as a posted WM_COMMAND, after the right-button press
  // that opened the menu has reached the tree and made its item current.
  TrackPopupMenu(window_.contextMenu(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON,
                 at.x + kMenuOffset, at.y + kMenuOffset, 0, window_.hwnd(), nullptr);
}

void WindowCommands::showAboutBox(std::string_view caption, std::string_view text) {
  const std::wstring wideText = text::toWide(text);
  const std::wstring wideCaption = text::toWide(caption);
  // No owner and task-modal: every window of the program waits for it. Either
  // button just closes it.
  MessageBoxW(nullptr, wideText.c_str(), wideCaption.c_str(), MB_RETRYCANCEL | MB_TASKMODAL);
}

}  // namespace moravel
