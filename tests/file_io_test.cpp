#include "library/file_io.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "phrase_file_test_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace moravel {
namespace {

using testing::fileBytes;
using testing::TempFolder;
using testing::writeBytes;
using Names = std::vector<std::string>;

std::string everyByte() {
  std::string bytes;
  for (int round = 0; round < 3; ++round) {
    for (int byte = 0; byte < 256; ++byte) bytes.push_back(static_cast<char>(byte));
  }
  return bytes;
}

TEST(FileIoRead, WholeFileByteForByte) {
  TempFolder folder;
  writeBytes(folder / "bytes", everyByte());
  writeBytes(folder / "empty", "");
  std::string bytes = "stale";
  EXPECT_EQ(readWholeFile(folder / "bytes", bytes), ReadStatus::ok);
  EXPECT_EQ(bytes, everyByte());
  EXPECT_EQ(readWholeFile(folder / "empty", bytes), ReadStatus::ok);
  EXPECT_EQ(bytes, "");
}

TEST(FileIoRead, MissingAndFailed) {
  TempFolder folder;
  std::filesystem::create_directory(folder / "a folder");
  std::string bytes = "stale";
  EXPECT_EQ(readWholeFile(folder / "none", bytes), ReadStatus::missing);
  EXPECT_EQ(readWholeFile(folder / "no folder" / "none", bytes), ReadStatus::missing);
  EXPECT_EQ(readWholeFile(folder / "a folder", bytes), ReadStatus::failed);
  EXPECT_EQ(bytes, "");
}

TEST(FileIoReplace, FirstFileHasNoBackup) {
  TempFolder folder;
  EXPECT_TRUE(replaceFileAtomically(folder / "f", everyByte(), folder / "f.bak"));
  EXPECT_EQ(fileBytes(folder / "f"), everyByte());
  EXPECT_EQ(folder.names(), Names{"f"});
}

TEST(FileIoReplace, KeepsThePreviousFileAsBackup) {
  TempFolder folder;
  writeBytes(folder / "f", "one");
  writeBytes(folder / "f.bak", "older");
  ASSERT_TRUE(replaceFileAtomically(folder / "f", "two", folder / "f.bak"));
  EXPECT_EQ(fileBytes(folder / "f"), "two");
  EXPECT_EQ(fileBytes(folder / "f.bak"), "one");
  ASSERT_TRUE(replaceFileAtomically(folder / "f", "", folder / "f.bak"));
  EXPECT_EQ(fileBytes(folder / "f"), "");
  EXPECT_EQ(fileBytes(folder / "f.bak"), "two");
  // The backup is a file of its own, not another name for the new one.
  writeBytes(folder / "f", "changed");
  EXPECT_EQ(fileBytes(folder / "f.bak"), "two");
  EXPECT_EQ(folder.names(), (Names{"f", "f.bak"}));
}

TEST(FileIoReplace, LargeContent) {
  TempFolder folder;
  std::string large;
  while (large.size() < 5u * 1024 * 1024) large += everyByte();
  writeBytes(folder / "f", "old");
  ASSERT_TRUE(replaceFileAtomically(folder / "f", large, folder / "f.bak"));
  EXPECT_TRUE(fileBytes(folder / "f") == large);
}

TEST(FileIoReplace, FailureLeavesEverythingAsItWas) {
  TempFolder folder;
  {
    SCOPED_TRACE("no folder");
    EXPECT_FALSE(replaceFileAtomically(folder / "none" / "f", "x", folder / "none" / "f.bak"));
    EXPECT_TRUE(folder.names().empty());
  }
  {
    SCOPED_TRACE("a folder in the backup's place");
    writeBytes(folder / "f", "old");
    std::filesystem::create_directory(folder / "f.bak");
    writeBytes(folder / "f.bak" / "inside", "");
    EXPECT_FALSE(replaceFileAtomically(folder / "f", "new", folder / "f.bak"));
    EXPECT_EQ(fileBytes(folder / "f"), "old");
    EXPECT_EQ(folder.names(), (Names{"f", "f.bak"}));
  }
  {
    SCOPED_TRACE("a folder in the file's place");
    TempFolder other;
    std::filesystem::create_directory(other / "f");
    EXPECT_FALSE(replaceFileAtomically(other / "f", "new", other / "f.bak"));
    EXPECT_EQ(other.names(), Names{"f"});
  }
}

#ifndef _WIN32
TEST(FileIoReplace, KeepsTheFilePermissions) {
  TempFolder folder;
  const auto file = folder / "f";
  ASSERT_TRUE(replaceFileAtomically(file, "one", folder / "f.bak"));
  ASSERT_EQ(chmod(file.c_str(), 0640), 0);
  ASSERT_TRUE(replaceFileAtomically(file, "two", folder / "f.bak"));
  struct stat info {};
  ASSERT_EQ(stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(FileIoReplace, ReadOnlyFolder) {
  if (geteuid() == 0) GTEST_SKIP() << "running as root, which writes into any folder";
  TempFolder folder;
  writeBytes(folder / "f", "old");
  ASSERT_EQ(chmod(folder.path().c_str(), 0555), 0);
  EXPECT_FALSE(replaceFileAtomically(folder / "f", "new", folder / "f.bak"));
  EXPECT_EQ(fileBytes(folder / "f"), "old");
  EXPECT_EQ(folder.names(), Names{"f"});
}
#endif

}  // namespace
}  // namespace moravel
