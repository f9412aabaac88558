#pragma once
// Helpers shared by the phrase file tests: a fresh folder per test, whole-file
// bytes in and out, a status line that remembers what it was told.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "library/phrase_file.h"
#include "library/phrase_tree.h"

namespace moravel::testing {

// A new, empty folder under the system's temporary folder, removed with
// everything in it at the end of the test.
class TempFolder {
 public:
  TempFolder() {
    static std::uint64_t counter = 0;
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::uint64_t tag = (std::uint64_t{random()} << 32) ^ random() ^ ++counter;
      path_ = base / ("moravel-test-" + std::to_string(tag));
      if (std::filesystem::create_directory(path_)) return;
    }
    throw std::runtime_error("no temporary folder");
  }
  ~TempFolder() {
    std::error_code ignored;
    // A test may have left a folder without write permission.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

  // The names in the folder, sorted (to spot temporary files left behind).
  std::vector<std::string> names() const {
    std::vector<std::string> result;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      result.push_back(entry.path().filename().string());
    }
    std::sort(result.begin(), result.end());
    return result;
  }

 private:
  std::filesystem::path path_;
};

inline std::string fileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::filesystem::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << file;
}

inline std::filesystem::path testData(const char* name) {
  return std::filesystem::path(MORAVEL_TEST_DATA) / name;
}

class RecordingStatus : public StatusSink {
 public:
  void setStatusText(int pane, std::string_view text) override {
    calls.emplace_back(pane, std::string(text));
  }
  std::vector<std::pair<int, std::string>> calls;
};

// What the tree holds, read through its public operations: every top-level
// item a category, every item below it (any depth) one of its phrases.
inline Library libraryOf(const PhraseTree& tree) {
  Library library;
  for (int index = 0; index < tree.itemCount(); ++index) {
    if (tree.parentOf(index) < 0) {
      library.push_back(Category{std::string(tree.itemText(index)), {}});
    } else {
      library.back().phrases.emplace_back(tree.itemText(index));
    }
  }
  return library;
}

// The demonstration library a first start seeds.
inline Library demonstrationLibrary() {
  Library library;
  for (int c = 1; c <= 2; ++c) {
    Category category{"示范标题" + std::to_string(c), {}};
    for (int p = 1; p <= 10; ++p) category.phrases.push_back("示范子标题" + std::to_string(p));
    library.push_back(category);
  }
  return library;
}

}  // namespace moravel::testing

namespace moravel {
// Readable failures: GBK texts shown as escaped bytes.
inline void PrintTo(const Category& category, std::ostream* out) {
  *out << ::testing::PrintToString(category.name) << ": "
       << ::testing::PrintToString(category.phrases);
}
}  // namespace moravel
