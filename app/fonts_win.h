#pragma once
// The fonts of the main window. Both are in the GB2312 character set and name
// a face that has the Chinese glyphs: asked for GB2312 with no face name, Wine
// may pick a face without them (and so may a system whose default GUI font is
// a western one), and the window would show empty boxes.
//
// The face is the first installed one of: SimSun (宋体, what Windows itself
// picks for GB2312 when no face is named), Microsoft YaHei, NSimSun,
// WenQuanYi Micro Hei (Debian's fonts-wqy-microhei, which the Wine setup
// installs), WenQuanYi Zen Hei, Noto Sans CJK SC. "Installed" means that
// EnumFontFamiliesExW lists the face for GB2312. When none is, no face is named
// and the system chooses.

#include <windows.h>

#include <string>

namespace moravel {

std::wstring chineseFaceName();

class UiFonts {
 public:
  UiFonts();
  ~UiFonts();
  UiFonts(const UiFonts&) = delete;
  UiFonts& operator=(const UiFonts&) = delete;

  // The tree's font: 12 pixels high, normal weight (400), GB2312.
  HFONT tree() const { return tree_; }
  // The buttons', label's, edit box's and status bar's font: the system's
  // default GUI font in size and weight, in GB2312 with the Chinese face.
  HFONT gui() const { return gui_; }

 private:
  HFONT tree_ = nullptr;
  HFONT gui_ = nullptr;
};

}  // namespace moravel
