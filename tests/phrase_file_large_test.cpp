// Large and strange libraries: each one loads (or is left alone), and the save
// that follows keeps everything that was loaded, with the file as it was in
// call.ini.bak. The inputs are made here, not stored. Times are printed, never
// asserted.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "library/phrase_file.h"
#include "phrase_file_test_support.h"

namespace moravel {
namespace {

using testing::fileBytes;
using testing::libraryOf;
using testing::RecordingStatus;
using testing::TempFolder;
using testing::writeBytes;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string library50MB() {
  std::string bytes;
  bytes.reserve(52u << 20);
  long long ordinal = 1;
  for (int c = 0; bytes.size() < (50u << 20); ++c) {
    bytes += "[类别" + std::to_string(c) + "]\r\n";
    ++ordinal;
    for (int p = 0; p < 1000; ++p, ++ordinal) {
      bytes += std::to_string(ordinal) + "=您好，第" + std::to_string(p) +
               "条回复：请稍等，马上为您查询订单 [" + std::to_string(c) + "|" +
               std::to_string(p) + "] = 好的\r\n";
    }
  }
  return bytes;
}

std::string hundredThousandCategories() {
  std::string bytes;
  for (int c = 0; c < 100000; ++c) {
    bytes += "[c" + std::to_string(c) + "]\n";
    if (c % 10 == 0) bytes += "1=phrase of " + std::to_string(c) + "\n";
  }
  return bytes;
}

std::string megabytePhrase() {
  std::string phrase;
  while (phrase.size() < (1u << 20)) phrase += "中文=[|];\"\t ";
  return "[a]\r\n1=" + phrase + "\r\n2=after\r\n[b]\r\n3=" + phrase;
}

std::string randomBytes() {
  std::mt19937 random(99);
  std::string bytes(4u << 20, '\0');
  for (char& byte : bytes) {
    // No 0x00 or 0x1A, which would end the text: all 4 MB are read.
    do byte = static_cast<char>(random() >> 7);
    while (byte == '\0' || byte == '\x1A');
  }
  // A few headers, so that something loads before the first 0x00.
  bytes.replace(0, 12, "[a]\r\n1=x\r\n[b");
  return bytes;
}

std::string crOnly() {
  std::string bytes;
  for (int c = 0; c < 1000; ++c) {
    bytes += "[类" + std::to_string(c) + "]\r";
    for (int p = 0; p < 20; ++p) bytes += "1=短语" + std::to_string(p) + "\r";
  }
  return bytes;
}

struct StrangeInput {
  const char* what;
  std::function<std::string()> make;
  bool loads;  // else the tree and the status stay as they were
};

const std::vector<StrangeInput>& strangeInputs() {
  static const std::vector<StrangeInput> inputs = {
      {"a 50 MB library", library50MB, true},
      {"100,000 categories", hundredThousandCategories, true},
      {"a 1 MB phrase", megabytePhrase, true},
      {"4 MB of random bytes", randomBytes, true},
      {"1 MB of 0x1A", [] { return std::string(1u << 20, '\x1A'); }, false},
      {"a header without ]", [] { return std::string("[abc\r\n1=x\r\n2=y"); }, false},
      {"headers without ] after one with", [] { return std::string("[a]\r\n[b\r\n1=x\r\n[c=d"); },
       true},
      {"CR-only line ends", crOnly, true},
      {"one long line without line end", [] { return "[a]" + std::string(2u << 20, 'x'); }, true},
      {"2 MB of [", [] { return std::string(2u << 20, '['); }, false},
      {"2 MB of ] and =", [] {
         std::string bytes = "[a]\n";
         for (int k = 0; k < (1 << 20); ++k) bytes += "]=";
         return bytes;
       }, true},
      {"UTF-16, 3 MB", [] {
         std::string bytes = "\xFF\xFE";
         for (int k = 0; k < 200000; ++k) {
           const std::string line = k % 100 == 0 ? "[x]\r\n" : "1=y\r\n";
           for (const char c : line) bytes += std::string{c, '\0'};
           bytes += std::string("\x60\x4F\x3D\xD8\x00\xDE", 6);  // 你😀
         }
         return bytes;
       }, true},
  };
  return inputs;
}

class PhraseFileLarge : public ::testing::TestWithParam<size_t> {};

TEST_P(PhraseFileLarge, LoadsAndTheNextSaveKeepsEverything) {
  const StrangeInput& input = strangeInputs()[GetParam()];
  {
    SCOPED_TRACE(input.what);
    TempFolder folder;
    const auto file = folder / "call.ini";
    const std::string original = input.make();
    writeBytes(file, original);

    PhraseTree tree;
    tree.addItem("before");
    RecordingStatus status;
    auto start = Clock::now();
    const LoadResult result = load(tree, file, status);
    const double loadSeconds = secondsSince(start);
    if (!input.loads) {
      EXPECT_EQ(result, LoadResult::noLibrary);
      EXPECT_EQ(libraryOf(tree), (Library{{"before", {}}}));
      EXPECT_TRUE(status.calls.empty());
      std::printf("%-32s %9zu bytes: left alone in %.3f s\n", input.what, original.size(),
                  loadSeconds);
      return;
    }
    ASSERT_EQ(result, LoadResult::loaded);
    const Library loaded = libraryOf(tree);
    EXPECT_TRUE(loaded == readLibrary(original));  // no dump of megabytes on failure

    start = Clock::now();
    ASSERT_EQ(save(tree, file, status), SaveResult::saved);
    const double saveSeconds = secondsSince(start);
    EXPECT_TRUE(fileBytes(folder / "call.ini.bak") == original);
    PhraseTree again;
    ASSERT_EQ(load(again, file, status), LoadResult::loaded);
    EXPECT_TRUE(libraryOf(again) == loaded);
    std::printf("%-32s %9zu bytes, %7d items: load %.3f s, save %.3f s\n", input.what,
                original.size(), tree.itemCount(), loadSeconds, saveSeconds);
  }
}

INSTANTIATE_TEST_SUITE_P(Inputs, PhraseFileLarge,
                         ::testing::Range(size_t{0}, strangeInputs().size()));

}  // namespace
}  // namespace moravel
