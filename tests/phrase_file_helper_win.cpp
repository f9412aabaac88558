// A second process for the phrase file's fault tests under Win32:
//   phrase_file_helper_win hold <file>
//     opens <file> sharing nothing, writes "held" to its output and keeps it
//     so until its input ends;
//   phrase_file_helper_win save-loop <file> <first round>
//     saves the library of each round from the first on, for ever, writing
//     "saving" after the first save; the test ends it with TerminateProcess.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "library/phrase_file.h"
#include "phrase_file_fault_support.h"

namespace {

class NoStatus : public moravel::StatusSink {
 public:
  void setStatusText(int, std::string_view) override {}
};

void say(const char* line) {
  std::fputs(line, stdout);
  std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wcscmp(argv[1], L"hold") == 0) {
    HANDLE file = CreateFileW(argv[2], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 2;
    say("held\n");
    char buffer[64];
    DWORD got = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &got, nullptr) &&
           got > 0) {
    }
    CloseHandle(file);
    return 0;
  }
  if (argc == 4 && std::wcscmp(argv[1], L"save-loop") == 0) {
    NoStatus status;
    for (long long round = std::wcstoll(argv[3], nullptr, 10);; ++round) {
      moravel::PhraseTree tree;
      moravel::fillTree(tree, moravel::testing::libraryForRound(round));
      if (moravel::save(tree, argv[2], status) != moravel::SaveResult::saved) return 3;
      if (round == std::wcstoll(argv[3], nullptr, 10)) say("saving\n");
    }
  }
  return 1;
}
