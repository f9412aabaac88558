#pragma once
// The commands the user gives in the main window: find next, the tree's
// context-menu commands, and the double-click that copies a phrase and arms the
// quick send. Portable logic over the tree and a small interface for what the
// window provides, so that every rule here runs in a unit test.

#include <string>
#include <string_view>

#include "library/phrase_tree.h"

namespace moravel {

// Texts of the commands.
inline constexpr std::string_view kNewCategoryText = "右键单击更改内容";
inline constexpr std::string_view kNewPhraseText = "右键单击更改子内容";
inline constexpr std::string_view kStatusCopied = "复制成功到剪辑板， 请点击聊天窗口即可！";
inline constexpr std::string_view kStatusCopyFailed = "复制失败，请重试";
inline constexpr std::string_view kAboutCaption = "关于作者";
inline constexpr std::string_view kAboutTextBeforeNumber =
    "本软件支持QQ，微信，旺旺\r\n\r\n使用方法：\r\n鼠标双击需要回复的内容，点击聊天窗口即可\r\n\r\n"
    "有更好的意见，请反馈给我：QQ ";

// The about box's text: the fixed text, then the maker's contact number.
std::string aboutText(std::string_view contactNumber);

// What the commands need from the window around them.
class CommandHost {
 public:
  virtual ~CommandHost() = default;
  virtual PhraseTree& tree() = 0;
  // The text of the keyword box.
  virtual std::string keyword() = 0;
  virtual void setStatusText(int pane, std::string_view text) = 0;
  // Puts the text on the clipboard; false when that could not be done.
  virtual bool copyToClipboard(std::string_view text) = 0;
  // Arms the mouse watch with the chat sender as its listener (nothing when
  // it is armed already).
  virtual void armQuickSend() = 0;
  // Pops up the tree's context menu near the pointer and returns once it has
  // closed; a chosen command arrives later as an ordinary command.
  virtual void popUpContextMenu() = 0;
  // Shows the about box and returns once it has been closed.
  virtual void showAboutBox(std::string_view caption, std::string_view text) = 0;
};

class PhraseCommands {
 public:
  explicit PhraseCommands(CommandHost& host) : host_(host) {}

  // Selects the next item, in index order and wrapping from the last item to
  // the first, whose text contains the keyword (byte for byte, on character
  // boundaries, letters case-sensitive). Every click lands on a match when
  // there is one. Without a match nothing changes.
  void findNext();
  // Opens in-place editing of the current item; nothing when none is current.
  void editLabel();
  // Appends an empty-looking category at the end, neither current nor opened.
  void addCategory();
  // With a category current, appends a phrase to it; with a phrase current,
  // nothing; with nothing current, appends a top-level item.
  void addPhrase();
  // Removes the current item (a category with all its phrases); nothing when
  // none is current.
  void deleteItem();
  void showAbout(std::string_view contactNumber);
  // Copies the current item's text and arms the quick send. With no current
  // item nothing happens; when the copy fails the user is told and the watch
  // is not armed, so that the next click cannot send a stale clipboard.
  void copyAndArm();
  void showContextMenu();

  int searchPosition() const { return searchPosition_; }

 private:
  CommandHost& host_;
  // Where the next search starts: one past the last match (or the last
  // position probed without a match).
  int searchPosition_ = 0;
};

}  // namespace moravel
