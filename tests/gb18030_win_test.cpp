// toWide/fromWide, the pair every window, clipboard and file-name text goes
// through, now on the program's own GB18030 conversion: emoji come through as
// surrogate pairs, and texts written through code page 936 by earlier versions
// read as they did, except for the few codes GB18030-2022 maps differently.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "text/codepage_win.h"

namespace moravel::text {
namespace {

TEST(CodepageWin, EmojiBecomeSurrogatePairsAndBack) {
  const std::string phrase = "\xC4\xFA\xBA\xC3\x94\x39\xFC\x36";  // 您好😀
  const std::wstring wide = toWide(phrase);
  EXPECT_EQ(wide, std::wstring(L"您好\xD83D\xDE00"));
  EXPECT_EQ(fromWide(wide), phrase);
  EXPECT_EQ(toWide(""), L"");
  EXPECT_EQ(fromWide(L""), "");
}

// What code page 936 (as this system has it) says about every single byte and
// two-byte code, next to ours. Where both know a code they agree (0x80 is the
// euro sign for both), except where code page 936 has a private-use code point
// and GB18030 the standard character that fonts used to show there (106 codes
// measured under Wine: vertical forms, CJK radicals and ideographs).
TEST(CodepageWin, AgreesWithCodePage936OnEveryCodeItKnows) {
  const auto viaCp936 = [](const std::string& bytes) {
    std::wstring wide(8, L'\0');
    const int n = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, bytes.data(),
                                      static_cast<int>(bytes.size()), wide.data(), 8);
    wide.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return wide;
  };
  std::vector<std::string> differences;
  int known = 0;
  for (int lead = 0x80; lead <= 0xFF; ++lead) {
    std::vector<std::string> codes{std::string(1, static_cast<char>(lead))};
    if (lead >= 0x81 && lead <= 0xFE) {
      codes.clear();
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        if (trail != 0x7F) codes.push_back({static_cast<char>(lead), static_cast<char>(trail)});
      }
    }
    for (const std::string& code : codes) {
      const std::wstring theirs = viaCp936(code);
      if (theirs.empty()) continue;  // code page 936 does not know it
      ++known;
      const std::wstring ours = toWide(code);
      const bool privateUseMadeStandard =
          theirs.size() == 1 && theirs[0] >= 0xE000 && theirs[0] <= 0xF8FF &&
          !(ours.size() == 1 && ours[0] >= 0xE000 && ours[0] <= 0xF8FF);
      if (ours != theirs && !privateUseMadeStandard) {
        char line[64];
        snprintf(line, sizeof line, "%02X%02X: cp936 U+%04X, ours U+%04X",
                 static_cast<unsigned char>(code[0]),
                 code.size() > 1 ? static_cast<unsigned char>(code[1]) : 0,
                 static_cast<unsigned>(theirs[0]), static_cast<unsigned>(ours[0]));
        differences.push_back(line);
      }
    }
  }
  EXPECT_GT(known, 21000);
  EXPECT_TRUE(differences.empty()) << ::testing::PrintToString(differences);
}

}  // namespace
}  // namespace moravel::text
