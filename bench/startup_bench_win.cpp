// Moravel.exe from outside, as a user starts and closes it: copied into a
// folder of its own beside a generated call.ini (none for the demonstration
// library), started, timed until its first idle moment (WaitForInputIdle, and
// a message its window has answered), then closed with WM_CLOSE, which saves,
// and timed until the process has ended. The peak working set of the process
// is read while it runs. Prints the figures and the ratios against the
// start with the demonstration library.
//
//   startup_bench [runs, 3 by default] [path of Moravel.exe]

#include <windows.h>
// After windows.h.
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_timing.h"
#include "bench/generated_library.h"
#include "library/phrase_file.h"

#ifndef MORAVEL_EXE
#error "MORAVEL_EXE must name Moravel.exe"
#endif

namespace fs = std::filesystem;
using namespace moravel;

namespace {

constexpr DWORD kPatienceMs = 300000;

struct Run {
  double idle = 0;   // WaitForInputIdle returned
  double ready = 0;  // the shown window has answered a message
  double quiet = 0;  // the process has last used the processor
  double windowGone = 0;  // from WM_CLOSE until the window is destroyed
  double close = 0;       // from WM_CLOSE to the end of the process
  SIZE_T peakWorkingSet = 0;
  DWORD exitCode = STILL_ACTIVE;
  bool ok = false;
};

struct Search {
  DWORD process;
  HWND window;
};

BOOL CALLBACK findMainWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (process == search->process && std::wstring(name) == L"MoravelMainWindow" &&
      IsWindowVisible(window)) {
    search->window = window;
    return FALSE;
  }
  return TRUE;
}

SIZE_T peakWorkingSet(HANDLE process, SIZE_T known) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (GetProcessMemoryInfo(process, &counters, sizeof counters) &&
      counters.PeakWorkingSetSize > known) {
    return counters.PeakWorkingSetSize;
  }
  return known;
}

// Processor time the process has used, in 100 ns units.
ULONGLONG cpuTime(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  const auto value = [](const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return value(kernel) + value(user);
}

Run startAndClose(const fs::path& exe) {
  Run run;
  std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const bench::Stopwatch started;
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      exe.parent_path().c_str(), &startup, &process)) {
    std::printf("  cannot start %ls (error %lu)\n", exe.c_str(), GetLastError());
    return run;
  }
  WaitForInputIdle(process.hProcess, kPatienceMs);
  run.idle = started.milliseconds();
  // Should the process have been idle once before its window was up, the
  // window's own answer is what counts.
  Search search{process.dwProcessId, nullptr};
  while (!search.window && started.milliseconds() < kPatienceMs &&
         WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
    EnumWindows(findMainWindow, reinterpret_cast<LPARAM>(&search));
    if (!search.window) Sleep(1);
  }
  DWORD_PTR answer = 0;
  if (search.window) {
    SendMessageTimeoutW(search.window, WM_NULL, 0, 0, SMTO_NORMAL, kPatienceMs, &answer);
  }
  run.ready = started.milliseconds();
  // Messages it sends itself (the first paint among them) come after a sent
  // message: the start-up has ended once the process stops using the
  // processor. Read every 20 ms; quiet for 200 ms ends the wait.
  run.quiet = run.ready;
  for (ULONGLONG last = cpuTime(process.hProcess), quietFor = 0;
       quietFor < 200 && started.milliseconds() < kPatienceMs; quietFor += 20) {
    Sleep(20);
    const ULONGLONG now = cpuTime(process.hProcess);
    if (now != last) {
      last = now;
      quietFor = 0;
      run.quiet = started.milliseconds();
    }
  }
  run.peakWorkingSet = peakWorkingSet(process.hProcess, 0);

  if (search.window) {
    const bench::Stopwatch closing;
    PostMessageW(search.window, WM_CLOSE, 0, 0);
    // The peak is read until the end: saving needs memory of its own.
    while (WaitForSingleObject(process.hProcess, 2) == WAIT_TIMEOUT &&
           closing.milliseconds() < kPatienceMs) {
      run.peakWorkingSet = peakWorkingSet(process.hProcess, run.peakWorkingSet);
      if (run.windowGone == 0 && !IsWindow(search.window)) run.windowGone = closing.milliseconds();
    }
    if (run.windowGone == 0) run.windowGone = closing.milliseconds();
    run.close = closing.milliseconds();
  }
  if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 99);
  WaitForSingleObject(process.hProcess, kPatienceMs);
  GetExitCodeProcess(process.hProcess, &run.exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  run.ok = search.window != nullptr && run.exitCode == 0;
  return run;
}

struct Figures {
  bench::Timings idle;
  bench::Timings ready;
  bench::Timings quiet;
  bench::Timings windowGone;
  bench::Timings close;
  SIZE_T peakWorkingSet = 0;
  std::uintmax_t fileSize = 0;
  bool ok = true;
};

// `phrases` 0: no call.ini, so the program seeds its demonstration library.
Figures measureLibrary(const fs::path& source, int phrases, int runs) {
  Figures figures;
  const fs::path folder = fs::temp_directory_path() /
                          ("moravel-startup-bench-" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(phrases));
  fs::remove_all(folder);
  fs::create_directories(folder);
  const fs::path exe = folder / "Moravel.exe";
  fs::copy_file(source, exe);
  const fs::path library = folder / kLibraryFileName;
  PhraseTree generated;
  if (phrases > 0) bench::fillGenerated(generated, phrases);
  const bench::Stopwatch spent;
  // At least one run; no new one once a minute has gone.
  for (int run = 0; run < runs && (run == 0 || spent.milliseconds() < 60000); ++run) {
    // Every run starts from the same file: the demonstration start from none.
    fs::remove(library);
    fs::remove(folder / kBackupFileName);
    if (phrases > 0) {
      bench::NullStatus status;
      save(generated, library, status);
    }
    const Run result = startAndClose(exe);
    figures.ok = figures.ok && result.ok;
    figures.idle.add(result.idle);
    figures.ready.add(result.ready);
    figures.quiet.add(result.quiet);
    figures.windowGone.add(result.windowGone);
    figures.close.add(result.close);
    if (result.peakWorkingSet > figures.peakWorkingSet) figures.peakWorkingSet = result.peakWorkingSet;
  }
  std::error_code error;
  figures.fileSize = fs::file_size(library, error);
  fs::remove_all(folder, error);
  return figures;
}

double megabytes(double bytes) { return bytes / (1024.0 * 1024.0); }

// What closing any shown top-level window costs here, Moravel or not: its
// hiding, the first step of its destruction. Wine on an X server without a
// window manager waits about two seconds for that.
double bareWindowHide() {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"MoravelStartupBenchBare";
  RegisterClassW(&windowClass);
  const HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"bare", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                      0, 0, 300, 300, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (!window) return 0;
  const bench::Stopwatch settle;
  MSG message;
  while (settle.milliseconds() < 300) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    Sleep(10);
  }
  const bench::Stopwatch watch;
  ShowWindow(window, SW_HIDE);
  const double hidden = watch.milliseconds();
  DestroyWindow(window);
  return hidden;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const fs::path exe = argc > 2 ? fs::path(argv[2]) : fs::path(MORAVEL_EXE);
  std::printf("Moravel.exe start-up and close (up to %d runs each, a minute at most): %s\n",
              runs, exe.string().c_str());

  struct Case {
    const char* name;
    int phrases;
    Figures figures;
  };
  Case cases[] = {{"demonstration library", 0, {}},
                  {"10,000 phrases", 10000, {}},
                  {"100,000 phrases", 100000, {}}};
  for (Case& c : cases) {
    c.figures = measureLibrary(exe, c.phrases, runs);
    const Figures& f = c.figures;
    std::printf("  %s%s\n", c.name, f.ok ? "" : "  (a run failed: no window, or exit code not 0)");
    bench::printTiming("  start-up to the first idle moment", f.idle);
    bench::printTiming("  start-up until the window answers", f.ready);
    bench::printTiming("  start-up until the process is quiet", f.quiet);
    bench::printTiming("  close (saves) until the window is gone", f.windowGone);
    bench::printTiming("  close (saves) until the process has ended", f.close);
    std::printf("    %-50s %10.1f MB  (call.ini %.1f MB)\n", "peak working set",
                megabytes(static_cast<double>(f.peakWorkingSet)),
                megabytes(static_cast<double>(f.fileSize)));
  }

  std::printf("  %-52s %10.3f ms\n", "for scale: hiding a bare top-level window", bareWindowHide());

  const Figures& demo = cases[0].figures;
  std::printf("\nRatios (same run):\n");
  for (int k = 1; k < 3; ++k) {
    const Figures& f = cases[k].figures;
    const std::string size = cases[k].name;
    std::printf("  %-52s %10.2f\n", ("start-up, " + size + " / demonstration").c_str(),
                f.ready.median() / demo.ready.median());
    std::printf("  %-52s %10.2f\n", ("close, " + size + " / demonstration").c_str(),
                f.close.median() / demo.close.median());
  }
  const Figures& large = cases[2].figures;
  const double added = static_cast<double>(large.peakWorkingSet) - static_cast<double>(demo.peakWorkingSet);
  std::printf("  %-52s %10.2f\n", "peak working set, 100,000 phrases / file size",
              static_cast<double>(large.peakWorkingSet) / static_cast<double>(large.fileSize));
  std::printf("  %-52s %10.2f\n", "  the same above the demonstration's / file size",
              added / static_cast<double>(large.fileSize));
  bool ok = true;
  for (const Case& c : cases) ok = ok && c.figures.ok;
  return ok ? 0 : 1;
}
