// The library file held open by another program that shares nothing (an
// editor or a sync tool can do that): Windows refuses both reading and
// replacing it, and load and save must say so.
#include <windows.h>

#include <gtest/gtest.h>

#include "library/file_io.h"
#include "library/phrase_file.h"
#include "phrase_file_test_support.h"

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

}  // namespace
}  // namespace moravel
