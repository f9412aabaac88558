#pragma once
// The file system under the phrase file: whole-file reading and atomic
// replacement with one backup. POSIX and Win32 implementations.

#include <filesystem>
#include <string>
#include <string_view>

namespace moravel {

enum class ReadStatus { ok, missing, failed };
// Reads the whole file into `bytes`. `missing` when the file (or its folder)
// does not exist; `failed`, with `bytes` empty, when it exists but cannot be
// read (no permission, locked by another program, a folder, out of memory).
ReadStatus readWholeFile(const std::filesystem::path& file, std::string& bytes);

// Writes `bytes` to a temporary file beside `file`, flushes it to the disk and
// puts it in place of `file` in one step, keeping the previous `file` (when
// there was one) as `backup`. On failure `file` is exactly as it was and the
// temporary file is gone. Returns whether the new file is in place.
// `file` is never partly written. On POSIX it is never missing either: the
// backup is a hard link (or a flushed copy) made first, and one rename puts the
// new file in place. On Win32, ReplaceFileW renames the old file to the backup
// name and the new one to `file`; should the second step fail, the new file,
// or else the old one, is moved back to `file`. When the backup cannot be made,
// `file` is not replaced. The new file keeps the old one's permissions (POSIX)
// or attributes and security (Win32).
bool replaceFileAtomically(const std::filesystem::path& file, std::string_view bytes,
                           const std::filesystem::path& backup);

}  // namespace moravel
