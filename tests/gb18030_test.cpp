// The program's own GB18030 conversion: what matters to a user is that every
// GBK text keeps its bytes, that emoji survive, and that the text operations
// still step over characters correctly.
#include "text/gb18030.h"

#include <gtest/gtest.h>

#include <string>

#include "text/gbk_text.h"

namespace moravel::text {
namespace {

// "😀" (U+1F600) in GB18030 and in UTF-16.
const std::string kGrinning = "\x94\x39\xFC\x36";
const std::u16string kGrinningUtf16 = u"\U0001F600";

struct ConversionCase {
  const char* what;
  std::string bytes;
  std::u16string utf16;
};

// Both directions give the other side.
TEST(Gb18030, BothWays) {
  const ConversionCase cases[] = {
      {"ASCII", "a=[b]|;\r\n", u"a=[b]|;\r\n"},
      {"GBK Chinese keeps its two bytes", "\xD6\xD0\xCE\xC4", u"中文"},
      {"GBK symbols", "\xA1\xA4\xA1\xAA\xA3\xA4", u"\u00B7\u2014\uFFE5"},
      {"user-defined GBK area to private use", "\xAA\xA1\xFE\xFE", u"\uE000\uE4C5"},
      {"euro sign, GB18030's own code", "\xA2\xE3", u"€"},
      {"an emoji as a surrogate pair", kGrinning, kGrinningUtf16},
      {"characters outside GBK in the BMP", "\x81\x30\x81\x30\x84\x31\xA4\x39", u"\u0080\uFFFF"},
      {"first and last supplementary code point", "\x90\x30\x81\x30\xE3\x32\x9A\x35",
       u"\U00010000\U0010FFFF"},
      {"a CJK extension B character with a two-byte code", "\xFE\x51", u"\U00020087"},
      {"vertical forms moved out of private use", "\xA6\xD9", u"\uFE10"},
      {"mixed", "a\xD6\xD0" + kGrinning + "\xCE\xC4z", u"a中\U0001F600文z"},
  };
  for (const ConversionCase& c : cases) {
    EXPECT_EQ(gb18030ToUtf16(c.bytes), c.utf16) << c.what;
    EXPECT_EQ(utf16ToGb18030(c.utf16), c.bytes) << c.what;
  }
}

// One direction only: bytes that are no character, code points that have no
// code, and the euro sign of code page 936.
TEST(Gb18030, OneWay) {
  const ConversionCase decoding[] = {
      {"code page 936's euro sign from older files", "\x80", u"€"},
      {"0xFF is no character", "a\xFF" "b", u"a\uFFFDb"},
      {"a lead byte at the end", "a\x81", u"a\uFFFD"},
      {"a lead byte before an invalid second byte", "\x81\x7F" "a", u"\uFFFD\x7F" u"a"},
      {"a lead byte before a line end keeps the line end", "\x81\r\n", u"\uFFFD\r\n"},
      {"an incomplete four-byte code", "\x81\x30\x81", u"\uFFFD" u"0\uFFFD"},
      {"a four-byte code between the planes", "\x85\x30\x81\x30", u"\uFFFD"},
      {"a four-byte code past U+10FFFF", "\xE3\x32\x9A\x36", u"\uFFFD"},
      {"the second form of a CJK extension B character", "\x95\x32\x90\x31", u"\U00020087"},
  };
  for (const ConversionCase& c : decoding) {
    EXPECT_EQ(gb18030ToUtf16(c.bytes), c.utf16) << c.what;
  }
  const ConversionCase encoding[] = {
      {"an unpaired high surrogate", "a?b", u"a\xD800" u"b"},
      {"an unpaired low surrogate", "?", u"\xDC00"},
      {"surrogates in the wrong order", "??", u"\xDE00\xD83D"},
      {"private use that GB18030-2022 gave up", "?", u"\uE78D"},
  };
  for (const ConversionCase& c : encoding) {
    EXPECT_EQ(utf16ToGb18030(c.utf16), c.bytes) << c.what;
  }
}

// Every two-byte code (all of GBK and the rest) comes back as the same bytes,
// so a text never changes by being shown and taken back.
TEST(Gb18030, EveryTwoByteCodeKeepsItsBytes) {
  int changed = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const std::string code{static_cast<char>(lead), static_cast<char>(trail)};
      const std::u16string wide = gb18030ToUtf16(code);
      if (utf16ToGb18030(wide) != code || wide == u"\uFFFD") ++changed;
    }
  }
  EXPECT_EQ(changed, 0);
}

// Every code point that GB18030 encodes comes back as itself.
TEST(Gb18030, EveryCodePointRoundTrips) {
  int lost = 0;
  std::string bytes;
  for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    bytes.clear();
    appendGb18030(bytes, cp);
    if (bytes == "?" && cp != '?') continue;  // one of the 24 given up
    size_t at = 0;
    if (decodeGb18030(bytes, at) != cp || at != bytes.size()) ++lost;
    // Four-byte codes are two pairs that each open with a lead byte.
    if (bytes.size() == 4 && !(isLeadByte(bytes[0]) && isLeadByte(bytes[2]))) ++lost;
  }
  EXPECT_EQ(lost, 0);
}

// The text operations step over a four-byte character as two pairs: its
// digits are never found, split or taken for line content on their own.
TEST(Gb18030, TextOperationsStepOverFourByteCharacters) {
  const std::string text = kGrinning + "9" + kGrinning + "6";
  EXPECT_EQ(text::find(text, "9"), 5);
  EXPECT_EQ(text::find(text, "6"), 10);
  EXPECT_EQ(text::find(text, kGrinning, 2), 6);
  EXPECT_EQ(text::findLast(text, "\x39\xFC"), -1);
  EXPECT_EQ(text::split(text, "6"), (std::vector<std::string>{kGrinning + "9" + kGrinning}));
  EXPECT_EQ(text::split(text, "9"), (std::vector<std::string>{kGrinning, kGrinning + "6"}));
}

}  // namespace
}  // namespace moravel::text
