#pragma once
// The phrase file, call.ini beside the program: one section per category, one
// "ordinal=text" entry per phrase, where the ordinal is the phrase's item index
// plus 1. GBK bytes, CR LF line ends, no escaping.
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
Library parseLibrary(std::string_view bytes);

// The file's bytes for the tree: every top-level item a header line, every
// item below it an "ordinal=text" line, CR LF after every line.
std::string writeLibrary(const PhraseTree& tree);

// Replaces the tree's items by the library's (as one bulk change).
void fillTree(PhraseTree& tree, const Library& library);

enum class LoadResult {
  loaded,     // the tree now holds the file's categories; "刷新成功" shown
  noLibrary,  // no file, or no category in it: tree and status untouched
  readFailed  // the file exists but could not be read: "读取失败！", tree untouched
};
LoadResult load(PhraseTree& tree, const std::filesystem::path& file, StatusSink& status);

enum class SaveResult {
  saved,    // the new file is in place (or the tree is empty and no file exists)
  failed    // nothing replaced; the old file, if any, is as it was
};
// Writes the whole tree atomically and shows "保存成功！" or "保存失败！". An
// empty tree with no file present creates no file.
SaveResult save(const PhraseTree& tree, const std::filesystem::path& file, StatusSink& status);

}  // namespace moravel
