// The library file held open by another program that shares nothing (an
// editor or a sync tool can do that): Windows refuses both reading and
// replacing it, and load and save must say so.
#include <windows.h>

#include <gtest/gtest.h>

#include "library/file_io.h"
#include "library/phrase_file.h"
#include "phrase_file_test_support.h"
#include "text/codepage_win.h"

namespace moravel {
namespace {

using testing::fileBytes;
using testing::libraryOf;
using testing::RecordingStatus;
using testing::TempFolder;
using testing::writeBytes;
using Status = std::vector<std::pair<int, std::string>>;

class LockedFile {
 public:
  explicit LockedFile(const std::filesystem::path& file)
      : handle_(CreateFileW(file.wstring().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~LockedFile() { unlock(); }
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;
  bool locked() const { return handle_ != INVALID_HANDLE_VALUE; }
  void unlock() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_;
};

TEST(PhraseFileLocked, LoadAndSaveBothFail) {
  TempFolder folder;
  const auto file = folder / "call.ini";
  writeBytes(file, "[old]\r\n1=x\r\n");
  LockedFile lock(file);
  ASSERT_TRUE(lock.locked());

  std::string bytes;
  EXPECT_EQ(readWholeFile(file, bytes), ReadStatus::failed);

  PhraseTree tree;
  tree.addItem("new");
  RecordingStatus status;
  EXPECT_EQ(load(tree, file, status), LoadResult::readFailed);
  EXPECT_EQ(libraryOf(tree), (Library{{"new", {}}}));
  EXPECT_EQ(save(tree, file, status), SaveResult::failed);
  EXPECT_EQ(status.calls, (Status{{1, "读取失败！"}, {1, "保存失败！"}}));

  lock.unlock();
  EXPECT_EQ(fileBytes(file), "[old]\r\n1=x\r\n");
  EXPECT_EQ(folder.names(), std::vector<std::string>{"call.ini"});

  // Once the other program lets go, saving works again.
  EXPECT_EQ(save(tree, file, status), SaveResult::saved);
  EXPECT_EQ(fileBytes(file), "[new]\r\n");
  EXPECT_EQ(fileBytes(folder / "call.ini.bak"), "[old]\r\n1=x\r\n");
}

// A phrase typed with an emoji arrives from the edit control as UTF-16 with a
// surrogate pair: it is stored as GB18030, saved and loaded byte for byte, and
// goes back to the window (and the clipboard) as the same UTF-16.
TEST(PhraseFileEmoji, TypedSavedLoadedAndShownWhole) {
  TempFolder folder;
  const auto file = folder / "call.ini";
  const std::wstring typed = L"好的\xD83D\xDC4D，马上发货\xD83D\xDE00";
  const std::string stored = text::fromWide(typed);
  EXPECT_EQ(stored, "好的\x94\x39\xD1\x31，马上发货\x94\x39\xFC\x36");

  PhraseTree tree;
  const int category = tree.addItem(text::fromWide(L"表情"));
  const int phrase = tree.addItem(category, "");
  tree.setItemText(phrase, stored);
  RecordingStatus status;
  ASSERT_EQ(save(tree, file, status), SaveResult::saved);
  EXPECT_EQ(fileBytes(file), "[表情]\r\n2=" + stored + "\r\n");

  PhraseTree loaded;
  ASSERT_EQ(load(loaded, file, status), LoadResult::loaded);
  EXPECT_EQ(loaded.itemText(1), stored);
  EXPECT_EQ(text::toWide(loaded.itemText(1)), typed);
}

}  // namespace
}  // namespace moravel
