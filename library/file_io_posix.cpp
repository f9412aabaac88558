#include "library/file_io.h"

#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace moravel {
namespace {

// Closes a descriptor on every way out.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now and reports whether the close succeeded: on some file systems
  // (NFS) a failed write only shows up here.
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

// Removes a temporary file unless told to keep it.
class TempName {
 public:
  explicit TempName(std::string path) : path_(std::move(path)) {}
  ~TempName() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TempName(const TempName&) = delete;
  TempName& operator=(const TempName&) = delete;
  const std::string& path() const { return path_; }
  void release() { path_.clear(); }

 private:
  std::string path_;
};

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool syncFd(int fd) {
  while (::fsync(fd) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

// A name beside `target` that no other file has: the target's name, the
// process id and a counter. Created exclusively, so two savers never share it.
// Returns the open descriptor and fills `path`; -1 when none could be made.
int createUniqueBeside(const std::filesystem::path& target, const char* purpose,
                       std::string& path) {
  static std::uint64_t counter = 0;
  const std::string base = target.native();
  for (int attempt = 0; attempt < 100; ++attempt) {
    path = base + "." + purpose + "-" + std::to_string(::getpid()) + "-" +
           std::to_string(++counter);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return fd;
    if (errno != EEXIST && errno != EINTR) break;
  }
  path.clear();
  return -1;
}

// Writes `bytes` into a fresh file beside `target`, flushed to the disk, with
// `mode` when given (else 0666 less the umask). Returns its name (empty on
// failure; nothing is left behind then).
std::string writeTempBeside(const std::filesystem::path& target, std::string_view bytes,
                            const char* purpose, std::optional<mode_t> mode) {
  std::string path;
  Fd fd(createUniqueBeside(target, purpose, path));
  if (!fd.valid()) return {};
  TempName temp(path);
  if (mode && ::fchmod(fd.get(), *mode) != 0) return {};
  if (!writeAll(fd.get(), bytes) || !syncFd(fd.get()) || !fd.close()) return {};
  temp.release();
  return path;
}

void syncFolder(const std::filesystem::path& file) {
  std::filesystem::path folder = file.parent_path();
  if (folder.empty()) folder = ".";
  Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  // Some file systems refuse to sync a folder; the rename has happened anyway.
  if (fd.valid()) (void)syncFd(fd.get());
}

// A second name for `file` beside `backup`: a hard link, or where the file
// system has none, a flushed copy. Returns it (empty when neither could be
// made). `file` itself is never touched.
std::string linkOrCopyBeside(const std::filesystem::path& file,
                             const std::filesystem::path& backup, std::optional<mode_t> mode) {
  std::string linkPath;
  {
    // Reserve a unique name, then free it for link(), which will not overwrite.
    Fd reserve(createUniqueBeside(backup, "link", linkPath));
    if (!reserve.valid()) return {};
    ::unlink(linkPath.c_str());
  }
  if (::link(file.c_str(), linkPath.c_str()) == 0) return linkPath;

  std::string old;
  if (readWholeFile(file, old) != ReadStatus::ok) return {};
  return writeTempBeside(backup, old, "copy", mode);
}

}  // namespace

ReadStatus readWholeFile(const std::filesystem::path& file, std::string& bytes) {
  bytes.clear();
  Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) {
    return (errno == ENOENT || errno == ENOTDIR) ? ReadStatus::missing : ReadStatus::failed;
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return ReadStatus::failed;
  try {
    // The size is a hint only: the file may grow or shrink while we read.
    if (info.st_size > 0) bytes.reserve(static_cast<size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
      const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
      if (n < 0) {
        if (errno == EINTR) continue;
        bytes.clear();
        return ReadStatus::failed;
      }
      if (n == 0) break;
      bytes.append(buffer, static_cast<size_t>(n));
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
    // The new file keeps the old one's permissions; a first file gets the
    // ordinary ones (0666 less the umask).
    struct stat old {};
    const bool exists = ::stat(file.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) return false;
    // Nor can a file be renamed over a folder in the backup's place.
    struct stat oldBackup {};
    if (::stat(backup.c_str(), &oldBackup) == 0 && S_ISDIR(oldBackup.st_mode)) return false;
    std::optional<mode_t> mode;
    if (exists) mode = static_cast<mode_t>(old.st_mode & 07777);

    const std::string tempPath = writeTempBeside(file, bytes, "new", mode);
    if (tempPath.empty()) return false;
    TempName temp(tempPath);

    // The old file under a second name first, so that it survives the switch.
    std::string backupTemp;
    if (exists) {
      backupTemp = linkOrCopyBeside(file, backup, mode);
      if (backupTemp.empty()) return false;
    }
    TempName keptOld(backupTemp);

    // The one step that switches from the old library to the new one.
    if (::rename(tempPath.c_str(), file.c_str()) != 0) return false;
    temp.release();
    // Only now does the old library become the backup, so a failed save never
    // costs the backup of the one before. Should this last step fail, the new
    // library is in place all the same.
    if (exists && ::rename(backupTemp.c_str(), backup.c_str()) == 0) keptOld.release();
    syncFolder(file);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace moravel
