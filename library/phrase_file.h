#pragma once
// The phrase file, call.ini beside the program: one section per category, one
// "ordinal=text" entry per phrase, where the ordinal is the phrase's item index
// plus 1. The program's encoding (GB18030, so GBK texts keep their bytes), CR LF
// line ends, no escaping.
//
// Load also takes what other editors make of the file: UTF-8 with or without a
// byte-order mark (Notepad's default) and UTF-16 with one; save always writes
// the program's encoding.
//
// Parsing and writing are pure functions over bytes; load and save add the
// file system around them. Saving is atomic and keeps the previous file as
// call.ini.bak.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "library/phrase_tree.h"

namespace moravel {

// Where messages for the user go (the main window's status line).
class StatusSink {
 public:
  virtual ~StatusSink() = default;
  virtual void setStatusText(int pane, std::string_view text) = 0;
};

// Status texts shown by load and save (pane 1).
inline constexpr std::string_view kStatusSaved = "保存成功！";
inline constexpr std::string_view kStatusSaveFailed = "保存失败！";
inline constexpr std::string_view kStatusLoaded = "刷新成功";
inline constexpr std::string_view kStatusReadFailed = "读取失败！";

inline constexpr const char* kLibraryFileName = "call.ini";
inline constexpr const char* kBackupFileName = "call.ini.bak";

struct Category {
  std::string name;
  std::vector<std::string> phrases;
  bool operator==(const Category&) const = default;
};
using Library = std::vector<Category>;

// Reads the categories and phrases of a file's bytes, line by line.
// - The text ends at the first 0x00 or 0x1A byte.
// - A line ends at CR LF, at LF, at a CR not followed by LF (classic Mac OS
//   files), or at the end of the text.
// - A header line begins with "["; the category's name runs to the first "]"
//   that begins a character (the second byte of a GBK character may be 0x5D
//   and belongs to the name); the rest of the line is ignored. Every header is
//   a category of its own, also when an earlier one has the same name. A line
//   that begins with "[" and has no such "]" is an ordinary line.
// - An ordinary line containing "=" is a phrase of the last category above it:
//   its text is every byte after the first "=", kept exactly (no trimming, no
//   quotes removed, no length limit). The key before "=" is not looked at.
// - Lines before the first header, lines beginning with ";", and lines without
//   "=" are skipped. "|" is an ordinary byte.
Library parseLibrary(std::string_view bytes);

// The encoding a file's bytes are read in.
enum class FileEncoding {
  programs,  // GB18030 (of which GBK is part): the bytes are taken as they are
  utf8Bom,   // EF BB BF first
  utf8,      // no byte-order mark, but valid UTF-8 with at least one character
             // beyond ASCII (GBK Chinese practically never is)
  utf16le,   // FF FE first
  utf16be,   // FE FF first
};
// Which encoding the bytes are in. Only the readable text counts: the bytes
// before the first 0x00 or 0x1A (UTF-16 apart, where 0x00 is everywhere).
FileEncoding detectEncoding(std::string_view bytes);

// The file's text in the program's encoding: the byte-order mark dropped,
// UTF-8 and UTF-16 converted (what is no character there becomes U+FFFD's
// code), the program's own bytes unchanged.
std::string toProgramEncoding(std::string_view bytes);

// parseLibrary of the bytes in whichever encoding they are: what load reads.
Library readLibrary(std::string_view fileBytes);

// The file's bytes for the tree: every top-level item a header line, every
// item below it (at any depth, in tree order) an "ordinal=text" line with the
// ordinal its item index plus 1, CR LF after every line.
// A few bytes cannot survive the file and are replaced, so that one odd text
// never costs the texts after it:
// - CR, LF, 0x00 and 0x1A in any text become a space (they would end the line
//   or the whole readable text);
// - a "]" that begins a character in a category name becomes the full-width
//   "］" (a "]" would end the name early and drop the rest of it);
// - a category name ending in the first byte of a two-byte character gets "?"
//   in its place (that byte would swallow the closing "]").
// Every other text is written byte for byte, and parseLibrary gives it back.
// Should the whole file happen to be valid UTF-8 with characters beyond ASCII
// (a rare two-byte character here and there, all else ASCII), a comment line
// in GB18030 comes first, so that the next load does not take it for UTF-8;
// readLibrary gives such a file back as the tree was.
std::string writeLibrary(const PhraseTree& tree);

// Replaces the tree's items by the library's (as one bulk change).
void fillTree(PhraseTree& tree, const Library& library);

enum class LoadResult {
  loaded,     // the tree now holds the file's categories; "刷新成功" shown
  noLibrary,  // no file, or no category in it: tree and status untouched
  readFailed  // the file exists but could not be read: "读取失败！", tree untouched
};
LoadResult load(PhraseTree& tree, const std::filesystem::path& file, StatusSink& status);

// The backup sits beside the file as call.ini.bak. When it cannot be made, the
// save fails and the file stays as it was.
enum class SaveResult {
  saved,    // the new file is in place (or the tree is empty and no file exists)
  failed    // nothing replaced; the old file, if any, is as it was
};
// Writes the whole tree atomically and shows "保存成功！" or "保存失败！". An
// empty tree with no file present creates no file.
SaveResult save(const PhraseTree& tree, const std::filesystem::path& file, StatusSink& status);

}  // namespace moravel
