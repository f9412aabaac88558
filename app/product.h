#pragma once
// Who made the program and how to reach them: shown in the window's title and
// at the end of the about box, so both read the same number.

#include <string>
#include <string_view>

namespace moravel {

inline constexpr std::string_view kProductName = "Moravel";
// The maker's QQ number (digits only).
inline constexpr std::string_view kContactNumber = "800012345";
inline constexpr std::string_view kVersionText = "1.0版";

// "Moravel   QQ:800012345  1.0版": the name, three blanks, "QQ:" with the
// number, two blanks, the version.
inline std::string windowTitle() {
  std::string title(kProductName);
  title += "   QQ:";
  title += kContactNumber;
  title += "  ";
  title += kVersionText;
  return title;
}

}  // namespace moravel
