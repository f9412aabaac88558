// The phrase file is read sixty-four bytes at a time, with a separate look at
// the first sixteen bytes of each line for its "=". These tests hold that
// reading against a plain one, byte by byte, of the same rules, on inputs
// whose line ends, "=", tabs, CR LF pairs, 0x00 and 0x1A fall on both sides of
// every step; and loading a file (straight into the tree) against both.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "library/phrase_file.h"
#include "phrase_file_test_support.h"
#include "text/gbk_text.h"

namespace moravel {
namespace {

using testing::libraryOf;
using testing::RecordingStatus;
using testing::TempFolder;
using testing::writeBytes;
using namespace std::string_view_literals;

// The rules of parseLibrary, read the simple way.
Library plainReading(std::string_view bytes) {
  const size_t stop = bytes.find_first_of(std::string_view("\0\x1A", 2));
  if (stop != std::string_view::npos) bytes = bytes.substr(0, stop);
  Library library;
  size_t at = 0;
  while (at < bytes.size()) {
    size_t end = at;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
    const std::string_view line = bytes.substr(at, end - at);
    at = end + 1;
    if (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n') ++at;

    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const int close = text::find(line, "]", 2);
      if (close > 0) {
        library.push_back(Category{std::string(line.substr(1, static_cast<size_t>(close) - 2)), {}});
        continue;
      }
    }
    if (library.empty()) continue;
    const size_t equals = line.find('=');
    if (equals != std::string_view::npos) library.back().phrases.emplace_back(line.substr(equals + 1));
  }
  return library;
}

// Pieces a line is made of, chosen so that runs of them reach past 16 and
// 64 bytes and put every kind of byte on every side of a step.
std::string generated(std::uint32_t seed) {
  static const char* const kPieces[] = {
      "[c]", "[分类]", "12=", "=", "abc", "0123456789abcdef", "中文", "\t", "\r\n", "\r\n",
      "\r\n", "\n", "\r", ";x=y", "[no close", "x=[y]", "=\r\n", "\xB1\x5D", "a=b=c", " "};
  constexpr size_t kCount = sizeof kPieces / sizeof kPieces[0];
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  std::string bytes = next() % 2 ? "[first]\r\n" : "";
  const size_t length = next() % 300;
  while (bytes.size() < length) {
    const auto roll = next() % 200;
    if (roll == 0) {
      bytes.push_back('\0');
    } else if (roll == 1) {
      bytes.push_back('\x1A');
    } else if (roll < 30) {
      // A long plain run, to cross a 64-byte step inside one line.
      bytes.append(static_cast<size_t>(next() % 90), static_cast<char>('a' + next() % 26));
    } else {
      bytes += kPieces[next() % kCount];
    }
  }
  return bytes;
}

TEST(PhraseFileScan, EveryGeneratedInputReadsAsThePlainReadingHasIt) {
  for (std::uint32_t seed = 1; seed <= 4000; ++seed) {
    const std::string bytes = generated(seed);
    ASSERT_EQ(parseLibrary(bytes), plainReading(bytes)) << "seed " << seed;
  }
}

// Line ends and "=" placed at each offset around the steps, in one long
// file and alone.
TEST(PhraseFileScan, LineEndsAndEqualsAtEveryOffsetAroundTheSteps) {
  for (size_t offset = 0; offset < 140; ++offset) {
    for (const std::string_view end : {"\r\n"sv, "\n"sv, "\r"sv, "\t\r\n"sv, "\0"sv, "\x1A"sv}) {
      std::string bytes = "[c]\r\n" + std::string(offset, 'k') + "=v";
      bytes.append(end);
      bytes += std::string(offset / 2, 'w') + "=second" + "\r\n";
      ASSERT_EQ(parseLibrary(bytes), plainReading(bytes)) << "offset " << offset;
      std::string late = "[c]\r\nkey" + std::string(offset, 'x') + "=late";
      ASSERT_EQ(parseLibrary(late), plainReading(late)) << "offset " << offset;
    }
  }
}

// Loading fills the tree straight from the file's bytes: the same library
// as parsing them.
TEST(PhraseFileScan, LoadingGivesTheTreeWhatParsingGives) {
  TempFolder folder;
  const auto file = folder / "call.ini";
  for (std::uint32_t seed = 1; seed <= 300; ++seed) {
    const std::string bytes = generated(seed * 7919u);
    writeBytes(file, bytes);
    PhraseTree tree;
    tree.addItem("old");
    RecordingStatus status;
    const LoadResult result = load(tree, file, status);
    const Library expected = readLibrary(bytes);
    if (expected.empty()) {
      EXPECT_EQ(result, LoadResult::noLibrary) << "seed " << seed;
      EXPECT_EQ(libraryOf(tree), (Library{{"old", {}}})) << "seed " << seed;
    } else {
      EXPECT_EQ(result, LoadResult::loaded) << "seed " << seed;
      ASSERT_EQ(libraryOf(tree), expected) << "seed " << seed;
    }
  }
}

}  // namespace
}  // namespace moravel
