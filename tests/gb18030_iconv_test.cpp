// The program's GB18030 conversion against the C library's iconv, from which
// its table was generated: every code point of the Basic Multilingual Plane,
// every two- and four-byte code of it, and a sample of the other planes.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <optional>
#include <string>

#include "text/gb18030.h"

namespace moravel::text {
namespace {

class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (valid()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // The whole input converted, or nothing when iconv refuses any of it.
  std::optional<std::string> operator()(std::string input) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out(input.size() * 4 + 16, '\0');
    char* in = input.data();
    size_t inLeft = input.size();
    char* o = out.data();
    size_t outLeft = out.size();
    if (iconv(cd_, &in, &inLeft, &o, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) {
      return std::nullopt;
    }
    out.resize(out.size() - outLeft);
    return out;
  }

 private:
  iconv_t cd_;
};

std::string utf32(char32_t cp) {
  return {static_cast<char>(cp >> 24), static_cast<char>((cp >> 16) & 0xFF),
          static_cast<char>((cp >> 8) & 0xFF), static_cast<char>(cp & 0xFF)};
}

char32_t fromUtf32(const std::string& bytes) {
  if (bytes.size() != 4) return 0xFFFFFFFF;
  char32_t cp = 0;
  for (const char byte : bytes) cp = (cp << 8) | static_cast<unsigned char>(byte);
  return cp;
}

class Gb18030AgainstIconv : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!encoder.valid() || !decoder.valid()) GTEST_SKIP() << "iconv has no GB18030 here";
  }

  // Our encoding of a code point agrees with iconv's ("?" where iconv has none).
  void expectSameEncoding(char32_t cp) {
    std::string ours;
    appendGb18030(ours, cp);
    const auto theirs = encoder(utf32(cp));
    EXPECT_EQ(ours, theirs.value_or("?")) << std::hex << "U+" << static_cast<unsigned>(cp);
  }

  // Our decoding of a code agrees with iconv's (U+FFFD where iconv has none).
  void expectSameDecoding(const std::string& code) {
    size_t at = 0;
    const char32_t ours = decodeGb18030(code, at);
    const auto theirs = decoder(code);
    const char32_t expected = theirs ? fromUtf32(*theirs) : kReplacementCharacter;
    EXPECT_EQ(static_cast<unsigned>(ours), static_cast<unsigned>(expected))
        << ::testing::PrintToString(code);
    if (theirs) {
      EXPECT_EQ(at, code.size()) << ::testing::PrintToString(code);
    }
  }

  Iconv encoder{"GB18030", "UTF-32BE"};
  Iconv decoder{"UTF-32BE", "GB18030"};
};

TEST_F(Gb18030AgainstIconv, EveryBmpCodePoint) {
  for (char32_t cp = 0; cp < 0x10000; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    expectSameEncoding(cp);
    if (HasFailure()) return;
  }
}

TEST_F(Gb18030AgainstIconv, EveryTwoByteCode) {
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      expectSameDecoding({static_cast<char>(lead), static_cast<char>(trail)});
    }
    if (HasFailure()) return;
  }
}

TEST_F(Gb18030AgainstIconv, EveryFourByteCodeOfTheBmp) {
  // 0x81308130 to 0x8431A439, and the first codes after it, which are none.
  for (int b1 = 0x81; b1 <= 0x84; ++b1) {
    for (int b2 = 0x30; b2 <= 0x39; ++b2) {
      for (int b3 = 0x81; b3 <= 0xFE; ++b3) {
        for (int b4 = 0x30; b4 <= 0x39; ++b4) {
          expectSameDecoding({static_cast<char>(b1), static_cast<char>(b2),
                              static_cast<char>(b3), static_cast<char>(b4)});
        }
      }
    }
    if (HasFailure()) return;
  }
}

TEST_F(Gb18030AgainstIconv, ASampleOfTheOtherPlanes) {
  for (char32_t cp = 0x10000; cp <= 0x10FFFF; cp += 97) expectSameEncoding(cp);
  const char32_t chosen[] = {0x10000, 0x1F600, 0x1F44D, 0x1F923, 0x20087, 0x20089, 0x200CC,
                             0x215D7, 0x2298F, 0x241FE, 0x2A6D6, 0x10FFFF};
  for (const char32_t cp : chosen) {
    expectSameEncoding(cp);
    std::string code;
    appendGb18030(code, cp);
    expectSameDecoding(code);
  }
  // Four-byte codes of the other planes, spread over the range, and past it.
  for (unsigned linear = 189000; linear < 189000 + 0x100000 + 50; linear += 4099) {
    const unsigned b4 = linear % 10, b3 = linear / 10 % 126, b2 = linear / 1260 % 10,
                   b1 = linear / 12600;
    expectSameDecoding({static_cast<char>(0x81 + b1), static_cast<char>(0x30 + b2),
                        static_cast<char>(0x81 + b3), static_cast<char>(0x30 + b4)});
  }
}

// A long text of mixed characters converts as iconv converts it.
TEST_F(Gb18030AgainstIconv, AWholeText) {
  std::u16string text;
  for (char32_t cp = 0x20; cp < 0x10FFFF; cp = cp * 5 / 4 + 7) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    if (cp >= 0xE000 && cp <= 0xF8FF) continue;  // some private use has no code
    if (cp < 0x10000) {
      text.push_back(static_cast<char16_t>(cp));
    } else {
      text.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      text.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    }
  }
  std::string utf16le;
  for (const char16_t unit : text) {
    utf16le.push_back(static_cast<char>(unit & 0xFF));
    utf16le.push_back(static_cast<char>(unit >> 8));
  }
  Iconv fromUtf16("GB18030", "UTF-16LE");
  const auto theirs = fromUtf16(utf16le);
  ASSERT_TRUE(theirs);
  EXPECT_EQ(utf16ToGb18030(text), *theirs);
  EXPECT_EQ(gb18030ToUtf16(*theirs), text);
}

}  // namespace
}  // namespace moravel::text
