// How the phrase library's operations scale, and how they compare with the
// hardware's own speed: loading against merely reading the file's bytes,
// saving against merely writing them with the same flush. Prints the figures
// and, at the end, the ratios that matter.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>

#include <unistd.h>

#include "app/phrase_commands.h"
#include "app/startup.h"
#include "bench/generated_library.h"
#include "library/file_io.h"
#include "library/phrase_file.h"

namespace fs = std::filesystem;
using namespace moravel;

namespace {

fs::path folderFor(int phrases) {
  const fs::path folder = fs::temp_directory_path() / ("moravel-bench-" + std::to_string(phrases));
  fs::create_directories(folder);
  return folder;
}

// The library file of a size, written once per run.
fs::path libraryFile(int phrases) {
  const fs::path file = folderFor(phrases) / kLibraryFileName;
  PhraseTree tree;
  bench::fillGenerated(tree, phrases);
  bench::NullStatus status;
  save(tree, file, status);
  return file;
}

void setBytes(benchmark::State& state, const fs::path& file) {
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(file)));
}

void BM_ReadRaw(benchmark::State& state) {
  const fs::path file = libraryFile(static_cast<int>(state.range(0)));
  std::string bytes;
  for (auto _ : state) {
    readWholeFile(file, bytes);
    benchmark::DoNotOptimize(bytes.data());
  }
  setBytes(state, file);
}

void BM_Load(benchmark::State& state) {
  const fs::path file = libraryFile(static_cast<int>(state.range(0)));
  bench::NullStatus status;
  for (auto _ : state) {
    PhraseTree tree;
    load(tree, file, status);
    benchmark::DoNotOptimize(tree.itemCount());
  }
  setBytes(state, file);
}

// For scale: only finding the line ends of the bytes already in memory, with
// one memchr per line and nothing else done with them.
void BM_MemchrPerLine(benchmark::State& state) {
  const fs::path file = libraryFile(static_cast<int>(state.range(0)));
  std::string bytes;
  readWholeFile(file, bytes);
  for (auto _ : state) {
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
    int lines = 0;
    while (const void* lf = std::memchr(at, '\n', static_cast<size_t>(end - at))) {
      at = static_cast<const char*>(lf) + 1;
      ++lines;
    }
    benchmark::DoNotOptimize(lines);
  }
  setBytes(state, file);
}

void BM_WriteRaw(benchmark::State& state) {
  const fs::path file = libraryFile(static_cast<int>(state.range(0)));
  std::string bytes;
  readWholeFile(file, bytes);
  const fs::path raw = file.parent_path() / "raw.ini";
  for (auto _ : state) {
    // The same replacement (temporary file, flush, backup, rename) as a save,
    // with bytes that are ready: what is left is the cost of the disk.
    replaceFileAtomically(raw, bytes, file.parent_path() / "raw.ini.bak");
  }
  setBytes(state, file);
}

void BM_Save(benchmark::State& state) {
  const int phrases = static_cast<int>(state.range(0));
  const fs::path file = libraryFile(phrases);
  PhraseTree tree;
  bench::fillGenerated(tree, phrases);
  bench::NullStatus status;
  for (auto _ : state) save(tree, file, status);
  setBytes(state, file);
}

class Host : public CommandHost {
 public:
  PhraseTree& tree() override { return tree_; }
  std::string keyword() override { return {}; }
  void setStatusText(int, std::string_view) override {}
  bool copyToClipboard(std::string_view) override { return true; }
  void armQuickSend() override {}
  void popUpContextMenu() override {}
  void showAboutBox(std::string_view, std::string_view) override {}
  PhraseTree tree_;
};

// One click per item: the empty keyword matches every item, so a cycle visits
// the whole tree once.
void BM_FindNextCycle(benchmark::State& state) {
  Host host;
  bench::fillGenerated(host.tree_, static_cast<int>(state.range(0)));
  PhraseCommands commands(host);
  const int clicks = host.tree_.itemCount();
  for (auto _ : state) {
    for (int i = 0; i < clicks; ++i) commands.findNext();
  }
}

void BM_ToggleExpandAll(benchmark::State& state) {
  PhraseTree tree;
  bench::fillGenerated(tree, static_cast<int>(state.range(0)));
  tree.setTag(kTagCollapsed);
  for (auto _ : state) toggleExpandAll(tree);
}

#define SIZES Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_ReadRaw)->SIZES;
BENCHMARK(BM_Load)->SIZES;
BENCHMARK(BM_MemchrPerLine)->SIZES;
BENCHMARK(BM_WriteRaw)->SIZES;
BENCHMARK(BM_Save)->SIZES;
BENCHMARK(BM_FindNextCycle)->SIZES;
BENCHMARK(BM_ToggleExpandAll)->SIZES;

// Keeps each benchmark's time per iteration, to print ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(OutputOptions options) : ConsoleReporter(options) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& run : runs) {
      if (run.run_type == Run::RT_Iteration) times[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
  }
  double at(const std::string& name, int size) const {
    const auto found = times.find(name + "/" + std::to_string(size));
    return found == times.end() ? 0 : found->second;
  }
  std::map<std::string, double> times;
};

void printRatio(const char* what, double ratio, double goal, bool atMost) {
  if (!(ratio > 0) || ratio == HUGE_VAL) {
    std::printf("  %-46s    (not run)\n", what);
    return;
  }
  const bool met = atMost ? ratio <= goal : ratio >= goal;
  std::printf("  %-46s %8.2f   goal %s %.0f  %s\n", what, ratio, atMost ? "<=" : ">=", goal,
              met ? "met" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
  // Colours only on a terminal, and not when asked for none (our reporter is
  // made here, so it does not see Google Benchmark's own flag).
  bool colour = isatty(fileno(stdout)) != 0;
  for (int k = 1; k < argc; ++k) {
    if (std::string_view(argv[k]) == "--benchmark_color=false") colour = false;
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter(colour ? benchmark::ConsoleReporter::OO_ColorTabular
                                : benchmark::ConsoleReporter::OO_Tabular);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nRatios (same run):\n");
  printRatio("load / read bytes, 100,000 phrases", reporter.at("BM_Load", 100000) / reporter.at("BM_ReadRaw", 100000), 3, true);
  std::printf("  %-46s %8.2f   (for scale: no parsing at all)\n",
              "memchr per line / read bytes, 100,000 phrases",
              reporter.at("BM_MemchrPerLine", 100000) / reporter.at("BM_ReadRaw", 100000));
  printRatio("save / write bytes, 100,000 phrases", reporter.at("BM_Save", 100000) / reporter.at("BM_WriteRaw", 100000), 3, true);
  for (const char* name : {"BM_Load", "BM_Save", "BM_FindNextCycle", "BM_ToggleExpandAll"}) {
    const std::string what = std::string(name + 3) + " 100,000 / 10,000";
    printRatio(what.c_str(), reporter.at(name, 100000) / reporter.at(name, 10000), 12, true);
  }
  for (int size : {1000, 10000, 100000}) fs::remove_all(folderFor(size));
  benchmark::Shutdown();
  return 0;
}
