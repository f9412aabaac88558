// Our load and save against the profile-string way of keeping the library,
// with the same 2,000 phrases: sections found by a scan of the lines, each
// section's key names from the file's whole text, and then one
// GetPrivateProfileStringA per value to load, one WritePrivateProfileStringA
// per phrase to save. Each of those calls opens the file and looks it up
// anew. Runs under Wine (or on Windows); prints the figures and the ratios.

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "bench/generated_library.h"
#include "library/file_io.h"
#include "library/phrase_file.h"

namespace fs = std::filesystem;
using namespace moravel;

namespace {

constexpr int kPhrases = 2000;

std::string fileText(const fs::path& file) {
  std::string bytes;
  readWholeFile(file, bytes);
  return bytes;
}

void writeFile(const fs::path& file, const std::string& bytes) {
  const HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(handle);
}

// The lines of a text, without their CR LF.
std::vector<std::string_view> lines(std::string_view text) {
  std::vector<std::string_view> out;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    out.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return out;
}

// The category names: one pass over the file's lines.
std::vector<std::string> listSections(const fs::path& file) {
  std::vector<std::string> names;
  const std::string text = fileText(file);
  for (const std::string_view line : lines(text)) {
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      names.emplace_back(line.substr(1, line.size() - 2));
    }
  }
  return names;
}

// The key names of one section, from the file's whole text, read anew.
std::vector<std::string> listKeys(const fs::path& file, const std::string& name) {
  std::vector<std::string> keys;
  const std::string text = fileText(file);
  const size_t header = text.find("[" + name + "]");
  if (header == std::string::npos) return keys;
  const size_t from = text.find('\n', header);
  const size_t to = text.find('[', header + name.size() + 2);
  if (from == std::string::npos) return keys;
  const std::string_view section =
      std::string_view(text).substr(from + 1, to == std::string::npos ? std::string::npos : to - from - 1);
  for (const std::string_view line : lines(section)) {
    const size_t equals = line.find('=');
    if (equals != std::string_view::npos) keys.emplace_back(line.substr(0, equals));
  }
  return keys;
}

void profileLoad(PhraseTree& tree, const fs::path& file) {
  const std::string path = file.string();
  std::vector<char> value(10240);
  PhraseTree::BulkChange bulk(tree);
  tree.clear();
  for (const std::string& name : listSections(file)) {
    const int parent = tree.addItem(name);
    for (const std::string& key : listKeys(file, name)) {
      GetPrivateProfileStringA(name.c_str(), key.c_str(), "", value.data(),
                               static_cast<DWORD>(value.size()), path.c_str());
      tree.addItem(parent, value.data());
    }
  }
}

void profileSave(const PhraseTree& tree, const fs::path& file) {
  const std::string path = file.string();
  std::string section;
  for (int index = 0; index < tree.itemCount(); ++index) {
    const std::string text(tree.itemText(index));
    if (tree.hasChildren(index)) {
      section = text;
    } else {
      WritePrivateProfileStringA(section.c_str(), std::to_string(index + 1).c_str(), text.c_str(),
                                 path.c_str());
    }
  }
}

// Whether the two trees have the same shape; the number of texts that differ
// (the profile-string reader drops blanks at both ends of a value), or -1.
int differences(const PhraseTree& a, const PhraseTree& b) {
  if (a.itemCount() != b.itemCount()) return -1;
  int differ = 0;
  for (int index = 0; index < a.itemCount(); ++index) {
    if (a.parentOf(index) != b.parentOf(index)) return -1;
    if (a.itemText(index) != b.itemText(index)) ++differ;
  }
  return differ;
}

}  // namespace

int main() {
  const fs::path folder =
      fs::temp_directory_path() / ("moravel-profile-bench-" + std::to_string(GetCurrentProcessId()));
  fs::create_directories(folder);
  const fs::path library = folder / kLibraryFileName;
  const fs::path theirs = folder / "profile.ini";

  PhraseTree tree;
  bench::fillGenerated(tree, kPhrases);
  bench::NullStatus status;
  save(tree, library, status);
  const std::string bytes = fileText(library);
  std::printf("Profile strings against our load and save: %d phrases, %zu bytes\n", kPhrases,
              bytes.size());

  // Both ways read the same library back.
  PhraseTree ours;
  load(ours, library, status);
  PhraseTree viaProfile;
  writeFile(theirs, bytes);
  profileLoad(viaProfile, theirs);
  const int oursDiffer = differences(ours, tree);
  const int profileDiffer = differences(viaProfile, tree);
  if (oursDiffer != 0 || profileDiffer < 0) {
    std::printf("  a load does not give the library back: no figures\n");
    return 1;
  }
  std::printf("  (the profile-string load changed %d of the texts: blanks at their ends)\n",
              profileDiffer);

  const bench::Timings oursLoad = bench::measure([&] {
    PhraseTree loaded;
    load(loaded, library, status);
  });
  const bench::Timings oursSave = bench::measure([&] { save(tree, library, status); });
  const bench::Timings profileLoadTimes = bench::measure([&] {
    PhraseTree loaded;
    profileLoad(loaded, theirs);
  }, 3, 1000);

  // Saving over the library as it is: every value is already there.
  writeFile(theirs, bytes);
  const bench::Timings profileSaveSame = bench::measure([&] { profileSave(tree, theirs); }, 3, 1000);

  // Saving after a phrase was added to the first category: every later
  // phrase has a new ordinal, so nearly every write changes the file.
  PhraseTree added;
  bench::fillGenerated(added, kPhrases);
  added.addItem(0, "新的短语");
  bench::Timings profileSaveShifted;
  for (int run = 0; run < 3; ++run) {
    writeFile(theirs, bytes);
    const bench::Stopwatch watch;
    profileSave(added, theirs);
    profileSaveShifted.add(watch.milliseconds());
  }
  const bench::Timings oursSaveShifted = bench::measure([&] { save(added, library, status); });

  bench::printTiming("our load (read, parse, build the tree)", oursLoad);
  bench::printTiming("profile-string load", profileLoadTimes);
  bench::printTiming("our save (write, flush, switch atomically)", oursSave);
  bench::printTiming("profile-string save, values unchanged", profileSaveSame);
  bench::printTiming("our save after a phrase added at the top", oursSaveShifted);
  bench::printTiming("profile-string save after a phrase added at the top", profileSaveShifted);

  std::printf("\nRatios (same run):\n");
  bench::printRatio("profile-string load / our load, 2,000 phrases",
                    profileLoadTimes.median() / oursLoad.median(), 100, false);
  bench::printRatio("profile-string save / our save, values unchanged",
                    profileSaveSame.median() / oursSave.median(), 100, false);
  bench::printRatio("profile-string save / our save, after an insertion",
                    profileSaveShifted.median() / oursSaveShifted.median(), 100, false);

  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return 0;
}
