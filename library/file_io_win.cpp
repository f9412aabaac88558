#include "library/file_io.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace moravel {
namespace {

// Closes a file handle on every way out.
class Handle {
 public:
  explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  ~Handle() { reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool close() {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle == INVALID_HANDLE_VALUE || CloseHandle(handle) != 0;
  }
  void reset() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_;
};

// Deletes the temporary file unless it has been moved into place.
class TempName {
 public:
  explicit TempName(std::wstring path) : path_(std::move(path)) {}
  ~TempName() {
    if (!path_.empty()) DeleteFileW(path_.c_str());
  }
  TempName(const TempName&) = delete;
  TempName& operator=(const TempName&) = delete;
  const std::wstring& path() const { return path_; }
  void release() { path_.clear(); }

 private:
  std::wstring path_;
};

bool writeAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

bool fileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool isFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Writes `bytes` into a fresh file beside `target` (its name, the process id
// and a counter; created exclusively), flushed to the disk. Returns its name,
// or the empty name on failure with nothing left behind.
std::wstring writeTempBeside(const std::wstring& target, std::string_view bytes) {
  static std::uint64_t counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring path = target + L".new-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(++counter);
    Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
      return {};
    }
    TempName temp(path);
    if (!writeAll(file.get(), bytes) || !FlushFileBuffers(file.get()) || !file.close()) return {};
    temp.release();
    return path;
  }
  return {};
}

}  // namespace

ReadStatus readWholeFile(const std::filesystem::path& file, std::string& bytes) {
  bytes.clear();
  // Others may go on reading, writing or replacing it while we read: the same
  // sharing a text editor grants.
  Handle handle(CreateFileW(file.wstring().c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.valid()) {
    const DWORD error = GetLastError();
    return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? ReadStatus::missing
                                                                             : ReadStatus::failed;
  }
  try {
    LARGE_INTEGER size{};
    // The size is a hint only: the file may grow or shrink while we read.
    if (GetFileSizeEx(handle.get(), &size) && size.QuadPart > 0) {
      bytes.reserve(static_cast<size_t>(size.QuadPart));
    }
    char buffer[65536];
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(handle.get(), buffer, sizeof buffer, &got, nullptr)) {
        bytes.clear();
        return ReadStatus::failed;
      }
      if (got == 0) break;
      bytes.append(buffer, got);
    }
  } catch (const std::bad_alloc&) {
    bytes.clear();
    bytes.shrink_to_fit();
    return ReadStatus::failed;
  }
  return ReadStatus::ok;
}

bool replaceFileAtomically(const std::filesystem::path& file, std::string_view bytes,
                           const std::filesystem::path& backup) {
  try {
    const std::wstring target = file.wstring();
    const std::wstring backupName = backup.wstring();
    // Wine's ReplaceFileW would move a folder of that name aside as the backup.
    if (isFolder(target)) return false;
    const std::wstring tempPath = writeTempBeside(target, bytes);
    if (tempPath.empty()) return false;
    TempName temp(tempPath);
    const auto moveIntoPlace = [&] {
      if (!MoveFileExW(tempPath.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return false;
      }
      temp.release();
      return true;
    };

    if (!fileExists(target)) return moveIntoPlace();

    // ReplaceFileW keeps the old file's attributes and security on the new one
    // and renames the old one to the backup name.
    if (ReplaceFileW(target.c_str(), tempPath.c_str(), backupName.c_str(),
                     REPLACEFILE_WRITE_THROUGH, nullptr, nullptr)) {
      temp.release();
      return true;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND && !fileExists(target)) {
      // Gone since we looked (another program removed it): nothing to keep.
      return moveIntoPlace();
    }
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 && !fileExists(target)) {
      // The old file has already become the backup and the new one did not
      // follow: the library would be missing. Put the new one in place, or
      // else the old one back.
      if (moveIntoPlace()) return true;
      MoveFileExW(backupName.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
    }
    return false;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace moravel
