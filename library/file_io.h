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
// there was one) as `backup`. Returns whether the new file is in place.
// - `file` is never partly written and never missing: before the switch the
//   old file gets a second name (a hard link, or a flushed copy where the file
//   system has no hard links); then one rename (POSIX rename, Win32 MoveFileExW
//   with write-through) puts the new file in place; then the second name
//   becomes `backup`. A crash at any moment leaves `file` the old or the new
//   library and `backup` the one before it or the old one.
// - On failure (folder read-only, disk full, `file` held open by a program that
//   does not share it, `file` read-only on Win32, the second name impossible) `file` and `backup` are
//   exactly as they were and no temporary file is left.
// - The new file keeps the old one's permissions (POSIX) or its hidden and
//   system attributes (Win32). A temporary file survives only a crash; its name
//   is `file`'s or `backup`'s, a purpose, the process id and a counter.
bool replaceFileAtomically(const std::filesystem::path& file, std::string_view bytes,
                           const std::filesystem::path& backup);

}  // namespace moravel
