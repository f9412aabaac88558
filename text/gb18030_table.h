#pragma once
// The mapping between GB18030 and Unicode, generated from the C library's
// iconv by scripts/gen_gb18030_table.py into gb18030_table.cpp. Only
// gb18030.cpp reads it; see there for how the pieces fit together.

#include <cstddef>
#include <cstdint>

namespace moravel::text::gb18030 {

// Two-byte codes: lead 0x81-0xFE, trail 0x40-0x7E or 0x80-0xFE, in that order
// (index (lead - 0x81) * 190 + trail's place among the 190 trails). The code
// point each decodes to; 0 for a code that has none.
inline constexpr std::size_t kTwoByteCount = 126 * 190;
extern const char32_t kTwoByte[kTwoByteCount];

// Four-byte codes of the Basic Multilingual Plane by linear index
// (0x81308130 is 0, 0x8431A439 is 39419): from `linear` up to the next run's
// start, the code points `first`, `first` + 1, ...; a run with `first` 0
// holds codes that decode to nothing.
struct FourByteRun {
  std::uint32_t linear;
  char32_t first;
};
extern const FourByteRun kFourByteRuns[];
extern const std::size_t kFourByteRunCount;

// Code points that two codes decode to; `code` is the one they encode to
// (a two-byte code as 0xLLTT, a four-byte one as 0xB1B2B3B4).
struct Preferred {
  char32_t codePoint;
  std::uint32_t code;
};
extern const Preferred kPreferred[];
extern const std::size_t kPreferredCount;

// Code points (outside the surrogates) that GB18030 gives no code, sorted.
extern const char32_t kUnencodable[];
extern const std::size_t kUnencodableCount;

}  // namespace moravel::text::gb18030
