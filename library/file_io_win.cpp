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

bool isFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A name beside `target` that no file has yet: its name, a purpose, the
// process id and a counter.
std::wstring nameBeside(const std::wstring& target, const wchar_t* purpose) {
  static std::uint64_t counter = 0;
  return target + L"." + purpose + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(++counter);
}

bool isNameTaken(DWORD error) {
  return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

// Writes `bytes` into a fresh file beside `target` (created exclusively),
// flushed to the disk. Returns its name, or the empty name on failure with
// nothing left behind.
std::wstring writeTempBeside(const std::wstring& target, std::string_view bytes,
                             const wchar_t* purpose) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring path = nameBeside(target, purpose);
    Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
      if (isNameTaken(GetLastError())) continue;
      return {};
    }
    TempName temp(path);
    if (!writeAll(file.get(), bytes) || !FlushFileBuffers(file.get()) || !file.close()) return {};
    temp.release();
    return path;
  }
  return {};
}

// Whether another program holds the file without letting it be deleted or
// renamed over.
bool canBeReplaced(const std::wstring& file) {
  Handle probe(CreateFileW(file.c_str(), DELETE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return probe.valid();
}

// A second name for `file` beside `backup`: a hard link, or where the file
// system has none (FAT, some network shares), a copy flushed to the disk.
// Returns it, or the empty name when neither could be made.
std::wstring linkOrCopyBeside(const std::wstring& file, const std::wstring& backup) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring path = nameBeside(backup, L"link");
    if (CreateHardLinkW(path.c_str(), file.c_str(), nullptr)) return path;
    if (!isNameTaken(GetLastError())) break;
  }
  std::string old;
  if (readWholeFile(file, old) != ReadStatus::ok) return {};
  return writeTempBeside(backup, old, L"copy");
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
    // A folder in either place cannot be replaced by a file.
    if (isFolder(target) || isFolder(backupName)) return false;
    const DWORD oldAttributes = GetFileAttributesW(target.c_str());
    const bool exists = oldAttributes != INVALID_FILE_ATTRIBUTES;
    // Windows refuses to replace a read-only file, Wine does not: the user
    // protected it, so it is not replaced on either.
    if (exists && (oldAttributes & FILE_ATTRIBUTE_READONLY) != 0) return false;

    const std::wstring tempPath = writeTempBeside(target, bytes, L"new");
    if (tempPath.empty()) return false;
    TempName temp(tempPath);
    if (exists) {
      // The new file looks like the old one in Explorer (hidden stays hidden).
      const DWORD kept = oldAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                          FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
      if (kept != 0) SetFileAttributesW(tempPath.c_str(), kept | FILE_ATTRIBUTE_ARCHIVE);
    }

    // The old file under a second name first, so that it survives the switch.
    // ReplaceFileW is not used: it is two renames inside the system, and a
    // crash between them leaves no call.ini at all.
    std::wstring backupTemp;
    if (exists) {
      // A program holding call.ini without sharing it would make the switch
      // fail, and a second name made before could then not be removed: ask
      // first, the way the switch will (the answer is only a snapshot).
      if (!canBeReplaced(target)) return false;
      backupTemp = linkOrCopyBeside(target, backupName);
      if (backupTemp.empty()) return false;
    }
    TempName keptOld(backupTemp);

    // The one step that switches from the old library to the new one. It fails
    // while another program holds call.ini without sharing it, or when the file
    // is read-only; then nothing has changed but a temporary name.
    if (!MoveFileExW(tempPath.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return false;
    }
    temp.release();
    // Only now does the old library become the backup, so a failed save never
    // costs the backup of the one before. Should this last step fail, the new
    // library is in place all the same.
    if (exists && MoveFileExW(backupTemp.c_str(), backupName.c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      keptOld.release();
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace moravel
