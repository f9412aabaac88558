#pragma once
// Start-up and shutdown of the main window, as portable logic over a small
// interface, so that their order and the demonstration library are checked by
// unit tests without a window system.

#include <string_view>

#include "library/phrase_tree.h"

namespace moravel {

// The tree's tag text remembers the state of the expand/collapse-all toggle:
// "未展开" means the next toggle expands everything, "已展开" that it collapses.
inline constexpr std::string_view kTagCollapsed = "未展开";
inline constexpr std::string_view kTagExpanded = "已展开";

// Texts of the demonstration library: a number follows each.
inline constexpr std::string_view kDemoCategoryText = "示范标题";
inline constexpr std::string_view kDemoPhraseText = "示范子标题";

// The colour scheme the window's controls are drawn in.
inline constexpr int kControlLookScheme = 2;

// Appends two categories "示范标题1", "示范标题2" with ten phrases each,
// "示范子标题1" to "示范子标题10" (22 items), as one bulk change. Neither saves
// nor reports anything.
void seedDemoLibrary(PhraseTree& tree);

// Expands every item when the tag reads "未展开" and sets "已展开"; collapses
// every item when it reads "已展开" and sets "未展开"; any other tag, the empty
// one included, does nothing. Items are visited in index order as one bulk
// change, so the view redraws once.
void toggleExpandAll(PhraseTree& tree);

// What start-up and shutdown need from the window.
class StartupHost {
 public:
  virtual ~StartupHost() = default;
  virtual PhraseTree& tree() = 0;
  // Switches on the program's own drawing of standard controls.
  virtual void setControlLook(int scheme) = 0;
  // Reads the library file into the tree (leaves the tree alone when there is
  // no library to read).
  virtual void loadLibrary() = 0;
  // Writes the tree into the library file.
  virtual void saveLibrary() = 0;
};

// The window and its controls exist: control look, tag "未展开", load, the
// demonstration library when the tree is still empty, expand everything.
void onCreated(StartupHost& host);

// The window is about to be destroyed, its tree still full: save.
void onDestroying(StartupHost& host);

}  // namespace moravel
