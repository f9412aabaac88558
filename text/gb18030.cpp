#include "text/gb18030.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "text/gb18030_table.h"

namespace moravel::text {
namespace {

using namespace gb18030;

// Four-byte codes count in a mixed radix: 10 * 126 * 10 codes per first byte.
constexpr std::uint32_t kLinearPerLead = 12600;
// Linear index of 0x90308130, the code of U+10000.
constexpr std::uint32_t kSupplementaryLinear = 189000;
constexpr std::uint32_t kBmpFourByteCount = 39420;

bool isDigit(unsigned char byte) { return byte >= 0x30 && byte <= 0x39; }
bool isLead(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
bool isTrail(unsigned char byte) { return byte >= 0x40 && byte <= 0xFE && byte != 0x7F; }

std::uint32_t fourByteCode(std::uint32_t linear) {
  const std::uint32_t b4 = linear % 10;
  linear /= 10;
  const std::uint32_t b3 = linear % 126;
  linear /= 126;
  const std::uint32_t b2 = linear % 10;
  const std::uint32_t b1 = linear / 10;
  return ((0x81 + b1) << 24) | ((0x30 + b2) << 16) | ((0x81 + b3) << 8) | (0x30 + b4);
}

// The code point of a four-byte code of the Basic Multilingual Plane, 0 for
// none.
char32_t decodeBmpFourByte(std::uint32_t linear) {
  const FourByteRun* end = kFourByteRuns + kFourByteRunCount;
  const FourByteRun* run = std::upper_bound(
      kFourByteRuns, end, linear,
      [](std::uint32_t value, const FourByteRun& r) { return value < r.linear; });
  // The first run starts at 0, so there is always one at or before `linear`.
  --run;
  return run->first == 0 ? 0 : run->first + (linear - run->linear);
}

// The code of every code point of the Basic Multilingual Plane (0: none),
// the inverse of the decoding tables, built on first use.
const std::vector<std::uint32_t>& bmpCodes() {
  static const std::vector<std::uint32_t> codes = [] {
    std::vector<std::uint32_t> table(0x10000, 0);
    for (std::uint32_t linear = 0; linear < kBmpFourByteCount; ++linear) {
      const char32_t cp = decodeBmpFourByte(linear);
      if (cp != 0) table[cp] = fourByteCode(linear);
    }
    for (std::size_t index = 0; index < kTwoByteCount; ++index) {
      const char32_t cp = kTwoByte[index];
      if (cp != 0 && cp < 0x10000) {
        const std::uint32_t lead = 0x81 + static_cast<std::uint32_t>(index / 190);
        std::uint32_t trail = 0x40 + static_cast<std::uint32_t>(index % 190);
        if (trail >= 0x7F) ++trail;
        table[cp] = (lead << 8) | trail;
      }
    }
    for (std::size_t k = 0; k < kPreferredCount; ++k) {
      if (kPreferred[k].codePoint < 0x10000) table[kPreferred[k].codePoint] = kPreferred[k].code;
    }
    return table;
  }();
  return codes;
}

void appendCode(std::string& out, std::uint32_t code) {
  if (code > 0xFFFF) {
    out.push_back(static_cast<char>(code >> 24));
    out.push_back(static_cast<char>((code >> 16) & 0xFF));
  }
  out.push_back(static_cast<char>((code >> 8) & 0xFF));
  out.push_back(static_cast<char>(code & 0xFF));
}

}  // namespace

char32_t decodeGb18030(std::string_view text, size_t& at) {
  const auto byteAt = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char first = byteAt(at);
  if (first < 0x80) {
    ++at;
    return first;
  }
  if (first == 0x80) {
    ++at;
    return 0x20AC;  // code page 936's euro sign
  }
  if (!isLead(first) || at + 1 >= text.size()) {
    ++at;
    return kReplacementCharacter;
  }
  const unsigned char second = byteAt(at + 1);
  if (isTrail(second)) {
    const size_t index = static_cast<size_t>(first - 0x81) * 190 + (second - 0x40) -
                         (second > 0x7F ? 1 : 0);
    at += 2;
    return kTwoByte[index] != 0 ? kTwoByte[index] : kReplacementCharacter;
  }
  if (isDigit(second) && at + 3 < text.size() && isLead(byteAt(at + 2)) &&
      isDigit(byteAt(at + 3))) {
    const std::uint32_t linear = (first - 0x81u) * kLinearPerLead + (second - 0x30u) * 1260 +
                                 (byteAt(at + 2) - 0x81u) * 10 + (byteAt(at + 3) - 0x30u);
    at += 4;
    if (linear < kBmpFourByteCount) {
      const char32_t cp = decodeBmpFourByte(linear);
      return cp != 0 ? cp : kReplacementCharacter;
    }
    if (linear >= kSupplementaryLinear && linear - kSupplementaryLinear <= 0xFFFFF) {
      return 0x10000 + (linear - kSupplementaryLinear);
    }
    return kReplacementCharacter;
  }
  // A lead byte without a fitting second byte: the next byte starts afresh.
  ++at;
  return kReplacementCharacter;
}

void appendGb18030(std::string& out, char32_t codePoint) {
  if (codePoint < 0x80) {
    out.push_back(static_cast<char>(codePoint));
    return;
  }
  if (codePoint < 0x10000) {
    const std::uint32_t code = bmpCodes()[codePoint];
    if (code == 0) {
      out.push_back('?');
    } else {
      appendCode(out, code);
    }
    return;
  }
  if (codePoint > 0x10FFFF) {
    out.push_back('?');
    return;
  }
  for (std::size_t k = 0; k < kPreferredCount; ++k) {
    if (kPreferred[k].codePoint == codePoint) {
      appendCode(out, kPreferred[k].code);
      return;
    }
  }
  appendCode(out, fourByteCode(kSupplementaryLinear + (codePoint - 0x10000)));
}

std::u16string gb18030ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const char32_t cp = decodeGb18030(text, at);
    if (cp < 0x10000) {
      out.push_back(static_cast<char16_t>(cp));
    } else {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    }
  }
  return out;
}

std::string utf16ToGb18030(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (size_t at = 0; at < text.size(); ++at) {
    char32_t cp = text[at];
    if (cp >= 0xD800 && cp <= 0xDBFF && at + 1 < text.size() && text[at + 1] >= 0xDC00 &&
        text[at + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[at + 1] - 0xDC00);
      ++at;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      out.push_back('?');  // an unpaired surrogate is no character
      continue;
    }
    appendGb18030(out, cp);
  }
  return out;
}

}  // namespace moravel::text
