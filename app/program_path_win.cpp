#include "app/program_path_win.h"

#include <windows.h>

#include <string>

#include "library/phrase_file.h"

namespace moravel {

std::filesystem::path programDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    // A full buffer may have cut the path short: ask again with more room.
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
  const size_t separator = path.find_last_of(L"\\/");
  if (separator == std::wstring::npos) return {};
  return std::filesystem::path(path.substr(0, separator));
}

std::filesystem::path programLibraryPath() { return programDirectory() / kLibraryFileName; }

}  // namespace moravel
