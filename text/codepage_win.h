#pragma once
// The one place where program texts (GBK bytes) meet Win32's UTF-16. Every
// text that goes to or comes from a window, the clipboard or a file name passes
// through this pair, so that the program shows Chinese correctly whatever the
// system's ANSI code page is.

#include <string>
#include <string_view>

namespace moravel::text {

std::wstring toWide(std::string_view gbk);
std::string fromWide(std::wstring_view wide);

}  // namespace moravel::text
