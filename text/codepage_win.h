#pragma once
// The one place where program texts (GB18030 bytes, a superset of GBK) meet
// Win32's UTF-16. Every text that goes to or comes from a window, the
// clipboard or a file name passes through this pair, so that the program shows
// Chinese, and every other character, correctly whatever the system's ANSI
// code page is. The conversion is the program's own (text/gb18030.h), not
// code page 936, which has no emoji and which Wine has no GB18030 for.

#include <string>
#include <string_view>

namespace moravel::text {

// Characters outside the Basic Multilingual Plane (emoji) become surrogate
// pairs; bytes that are no character become U+FFFD.
std::wstring toWide(std::string_view gbk);
// Unpaired surrogates, and the few code points GB18030 has no code for,
// become "?".
std::string fromWide(std::wstring_view wide);

}  // namespace moravel::text
