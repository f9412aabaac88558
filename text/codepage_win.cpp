#include "text/codepage_win.h"

#include "text/gb18030.h"

namespace moravel::text {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 wide strings are UTF-16");

std::wstring toWide(std::string_view gbk) {
  const std::u16string utf16 = gb18030ToUtf16(gbk);
  return std::wstring(utf16.begin(), utf16.end());
}

std::string fromWide(std::wstring_view wide) {
  const std::u16string utf16(wide.begin(), wide.end());
  return utf16ToGb18030(utf16);
}

}  // namespace moravel::text
