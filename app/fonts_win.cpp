#include "app/fonts_win.h"

#include <cwchar>

namespace moravel {
namespace {

int CALLBACK noteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;  // one is enough
}

bool hasChineseFace(HDC dc, const wchar_t* face) {
  LOGFONTW wanted{};
  wanted.lfCharSet = GB2312_CHARSET;
  wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
  bool found = false;
  EnumFontFamiliesExW(dc, &wanted, noteFace, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

void setFace(LOGFONTW& font, const std::wstring& face) {
  wmemset(font.lfFaceName, L'\0', LF_FACESIZE);
  wcsncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
}

}  // namespace

std::wstring chineseFaceName() {
  static const wchar_t* const kFaces[] = {
      L"SimSun", L"Microsoft YaHei", L"NSimSun", L"WenQuanYi Micro Hei", L"WenQuanYi Zen Hei",
      L"Noto Sans CJK SC",
  };
  HDC dc = GetDC(nullptr);
  std::wstring chosen;
  if (dc) {
    for (const wchar_t* face : kFaces) {
      if (hasChineseFace(dc, face)) {
        chosen = face;
        break;
      }
    }
    ReleaseDC(nullptr, dc);
  }
  return chosen;
}

UiFonts::UiFonts() {
  const std::wstring face = chineseFaceName();

  LOGFONTW tree{};
  tree.lfHeight = -12;  // 12 pixels of character height
  tree.lfWeight = FW_NORMAL;
  tree.lfCharSet = GB2312_CHARSET;
  tree.lfOutPrecision = OUT_DEFAULT_PRECIS;
  tree.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  tree.lfQuality = DEFAULT_QUALITY;
  tree.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  setFace(tree, face);
  tree_ = CreateFontIndirectW(&tree);

  LOGFONTW gui{};
  if (!GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui)) gui = tree;
  // Chinese text below 12 pixels is hard to read.
  if (gui.lfHeight > -12 && gui.lfHeight < 12) gui.lfHeight = -12;
  gui.lfCharSet = GB2312_CHARSET;
  setFace(gui, face);
  gui_ = CreateFontIndirectW(&gui);
}

UiFonts::~UiFonts() {
  if (tree_) DeleteObject(tree_);
  if (gui_) DeleteObject(gui_);
}

}  // namespace moravel
