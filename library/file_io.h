#pragma once
// The file system under the phrase file: whole-file reading and atomic
// replacement with one backup. POSIX and Win32 implementations.

#include <filesystem>
#include <string>
#include <string_view>

namespace moravel {

enum class ReadStatus { ok, missing, failed };
// Reads the whole file into `bytes`.
ReadStatus readWholeFile(const std::filesystem::path& file, std::string& bytes);

// Writes `bytes` to a temporary file beside `file`, flushes it to the disk and
// puts it in place of `file` in one step, keeping the previous `file` (when
// there was one) as `backup`. On failure `file` is exactly as it was and the
// temporary file is gone. Returns whether the new file is in place.
bool replaceFileAtomically(const std::filesystem::path& file, std::string_view bytes,
                           const std::filesystem::path& backup);

}  // namespace moravel
