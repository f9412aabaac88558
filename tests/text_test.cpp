#include "text/gbk_text.h"

#include <gtest/gtest.h>

#include <climits>

namespace moravel::text {
namespace {

// GBK trail bytes range over 0x40-0x7E and 0x80-0xFE, so 0x81 0x7C is a
// character whose second byte is "|", and 0x81 0x5B one whose second byte is "[".
const std::string kBarTrail = "\x81|";
const std::string kBracketTrail = "\x81[";
const std::string kLetterTrail = "\x81" "A";

struct FindCase {
  std::string text;
  std::string sought;
  int start;
  bool ignoreCase;
  int expected;
};

TEST(TextFind, Table) {
  const FindCase cases[] = {
      {"hello", "l", 1, false, 3},
      {"hello", "l", 4, false, 4},
      {"hello", "l", 5, false, -1},
      {"hello", "lo", 0, false, 4},     // start below 1 counts as 1
      {"hello", "h", -7, false, 1},
      {"hello", "o", 6, false, -1},     // start beyond the text
      {"hello", "", 1, false, 1},       // empty sought, text not empty
      {"hello", "", 3, false, 1},
      {"", "", 1, false, -1},           // empty sought, empty text
      {"", "a", 1, false, -1},
      {"hello", "hello!", 1, false, -1},
      {"Hello", "hELLO", 1, true, 1},
      {"Hello", "hello", 1, false, -1},
      {"中文", "文", 1, false, 3},
      {"中文", "\xD0\xCE", 1, false, -1},   // would straddle two characters
      {kBarTrail + "|", "|", 1, false, 3},  // the trail "|" is not a match
      {kBracketTrail + "[x", "[", 1, false, 3},
      {kLetterTrail + "a", "a", 1, true, 3},
      {kLetterTrail, "A", 1, false, -1},
      {"中文", "文", 2, false, 3},     // start inside a character moves to the next one
  };
  for (const auto& c : cases) {
    EXPECT_EQ(find(c.text, c.sought, c.start, c.ignoreCase), c.expected)
        << "find(\"" << c.text << "\", \"" << c.sought << "\", " << c.start << ")";
  }
}

TEST(TextFind, IgnoreCaseLeavesChineseBytesExact) {
  // 0xC1 and 0xE1 differ by 0x20 like A and a do; they must not be folded.
  EXPECT_EQ(find("\xC1\xA1", "\xE1\xA1", 1, true), -1);
}

TEST(TextFindLast, Table) {
  EXPECT_EQ(findLast("a\r\nb\r\nc", "\r\n"), 5);
  EXPECT_EQ(findLast("abc", "x"), -1);
  EXPECT_EQ(findLast("", "x"), -1);
  EXPECT_EQ(findLast("abab", "ab"), 3);
  EXPECT_EQ(findLast(kBarTrail, "|"), -1);
  EXPECT_EQ(findLast("ab", "abc"), -1);
}

TEST(TextCut, LeftRightMid) {
  EXPECT_EQ(left("hello", 2), "he");
  EXPECT_EQ(left("hello", 9), "hello");
  EXPECT_EQ(left("hello", 0), "");
  EXPECT_EQ(left("hello", -1), "");
  EXPECT_EQ(right("hello", 2), "lo");
  EXPECT_EQ(right("hello", 9), "hello");
  EXPECT_EQ(right("hello", 0), "");
  EXPECT_EQ(mid("hello", 2, 3), "ell");
  EXPECT_EQ(mid("hello", 4, 9), "lo");
  EXPECT_EQ(mid("hello", 0, 2), "");
  EXPECT_EQ(mid("hello", 6, 1), "");
  EXPECT_EQ(mid("hello", 1, 0), "");
  // Cutting counts bytes only: half a character is what was asked for.
  EXPECT_EQ(left("中文", 1), "\xD6");
}

TEST(TextSplit, Table) {
  using V = std::vector<std::string>;
  EXPECT_EQ(split("a,b,c"), (V{"a", "b", "c"}));
  EXPECT_EQ(split("a,,c"), (V{"a", "", "c"}));
  EXPECT_EQ(split(",a"), (V{"", "a"}));
  EXPECT_EQ(split("a,"), (V{"a"}));      // no empty last piece
  EXPECT_EQ(split("a,,"), (V{"a", ""}));
  EXPECT_EQ(split(","), (V{""}));
  EXPECT_EQ(split(""), V{});
  EXPECT_EQ(split("a,b", ""), (V{"a,b"}));
  EXPECT_EQ(split("a|b", "|"), (V{"a", "b"}));
  EXPECT_EQ(split("a\r\nb", "\r\n"), (V{"a", "b"}));
  EXPECT_EQ(split(kBarTrail + "|x", "|"), (V{kBarTrail, "x"}));
}

TEST(TextNumbers, FromNumber) {
  EXPECT_EQ(fromNumber(0), "0");
  EXPECT_EQ(fromNumber(22), "22");
  EXPECT_EQ(fromNumber(-120), "-120");
}

TEST(TextNumbers, ToNumber) {
  EXPECT_EQ(toNumber("655|-120"), 655);
  EXPECT_EQ(toNumber("  -12x"), -12);
  EXPECT_EQ(toNumber("+7"), 7);
  EXPECT_EQ(toNumber("\t\n 42"), 42);
  EXPECT_EQ(toNumber("x1"), 0);
  EXPECT_EQ(toNumber(""), 0);
  EXPECT_EQ(toNumber("-"), 0);
  EXPECT_EQ(toNumber("0012"), 12);
  EXPECT_EQ(toNumber("99999999999999999999999"), LLONG_MAX);
  EXPECT_EQ(toNumber("-99999999999999999999999"), LLONG_MIN);
}

}  // namespace
}  // namespace moravel::text
