#include "library/phrase_file.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "phrase_file_test_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace moravel {
namespace {

using testing::demonstrationLibrary;
using testing::fileBytes;
using testing::libraryOf;
using testing::RecordingStatus;
using testing::TempFolder;
using testing::testData;
using testing::writeBytes;
using Status = std::vector<std::pair<int, std::string>>;

std::string bytes(const char* data, size_t size) { return std::string(data, size); }

// ---------------------------------------------------------------------------
// Reading bytes

struct ParseCase {
  const char* what;
  std::string input;
  Library expected;
};

TEST(PhraseFileParse, Table) {
  const ParseCase cases[] = {
      {"nothing", "", {}},
      {"CR LF line ends", "[中]\r\n1=文\r\n2=字\r\n", {{"中", {"文", "字"}}}},
      {"LF alone, last line without line end", "[a]\n1=x\n2=y", {{"a", {"x", "y"}}}},
      {"CR alone ends a line too", "[a]\r1=x\r\r[b]\r2=y", {{"a", {"x"}}, {"b", {"y"}}}},
      {"CR CR LF is a line and a blank line", "[a]\r\r\n1=x\r\r\n", {{"a", {"x"}}}},
      {"text kept exactly after the first =",
       "[a]\r\n1=b=c\r\n2=[x]\r\n3=p|q\r\n4= \"q\" \t\r\n5=\r\n=keyless\r\n",
       {{"a", {"b=c", "[x]", "p|q", " \"q\" \t", "", "keyless"}}}},
      {"a phrase that is a header after its =", "[a]\r\n1=[b]\r\n2=y\r\n", {{"a", {"[b]", "y"}}}},
      {"every header its own category, also a repeated one",
       "[a]\r\n1=x\r\n[a]\r\n2=y\r\n", {{"a", {"x"}}, {"a", {"y"}}}},
      {"| is an ordinary byte in a name", "[a|b]\r\n1=x\r\n", {{"a|b", {"x"}}}},
      {"GBK second byte 0x5D belongs to the name",
       "[\x81]\x81]]\r\n1=x\r\n", {{"\x81]\x81]", {"x"}}}},
      {"the rest of a header line is ignored", "[a]b=c ; d\r\n1=x\r\n", {{"a", {"x"}}}},
      {"empty name", "[]\r\n1=x\r\n", {{"", {"x"}}}},
      {"header without ] is an ordinary line",
       "[a]\r\n[b=c\r\n[d\r\n1=x\r\n", {{"a", {"c", "x"}}}},
      {"a name that ends in a lead byte has no ]", "[a]\r\n[b\x81]\r\n1=x\r\n", {{"a", {"x"}}}},
      {"nothing before the first header", "1=x\r\n[b=c\r\nzzz\r\n[a]\r\n2=y\r\n",
       {{"a", {"y"}}}},
      {"comments, blank lines and lines without =",
       "[a]\r\n;1=x\r\n\r\nplain text\r\n  \r\n2=y\r\n", {{"a", {"y"}}}},
      {"category without phrases", "[a]\r\n[b]\r\n1=x\r\n[c]", {{"a", {}}, {"b", {"x"}}, {"c", {}}}},
      {"0x00 ends the text", bytes("[a]\r\n1=x\0y\r\n[b]\r\n", 17), {{"a", {"x"}}}},
      {"0x1A ends the text", "[a]\r\n1=x\x1Ay\r\n[b]\r\n", {{"a", {"x"}}}},
      {"a lead byte before CR LF keeps the line end", "[a]\r\n1=x\x81\r\n2=y\r\n",
       {{"a", {"x\x81", "y"}}}},
      {"only 0x1A", "\x1A\x1A\x1A", {}},
      {"header without ] only", "[abc\r\n1=x\r\n", {}},
  };
  for (const ParseCase& c : cases) {
    EXPECT_EQ(parseLibrary(c.input), c.expected) << c.what;
  }
}

struct FixtureCase {
  const char* file;
  Library expected;
};

TEST(PhraseFileParse, Fixtures) {
  const FixtureCase cases[] = {
      {"demonstration_library.ini", demonstrationLibrary()},
      // Comments, lines before the first header, blank lines, mixed line ends,
      // a repeated header, a header without "]", a last line without line end.
      {"hand_edited.ini",
       {{"问候", {"你好", " 有空格  ", "\"带引号\"", "a=b=c", "[不是标题]", "甲|乙"}},
        {"问候", {"第二个", "也是短语"}},
        {"空类", {}},
        {"最后", {"无换行"}}}},
      {"cr_only_line_ends.ini", {{"甲", {"一", "二"}}, {"乙", {"三"}}}},
      // What follows the end-of-file mark is not part of the text.
      {"end_of_file_mark.ini", {{"甲", {"一"}}}},
      {"only_end_of_file_marks.ini", {}},
  };
  for (const FixtureCase& c : cases) {
    const std::string input = fileBytes(testData(c.file));
    ASSERT_FALSE(input.empty()) << c.file;
    EXPECT_EQ(parseLibrary(input), c.expected) << c.file;
  }
}

// Whatever a file holds, reading it, writing the result and reading that again
// gives the same library: nothing the reader accepts is lost by the writer.
// Random bytes, once uniform and once rich in the bytes that matter here.
TEST(PhraseFileParse, AnyBytesSurviveAWriteAndAReadBack) {
  std::mt19937 random(20240611);
  const std::string special = std::string("[]=;|\r\n\x81\x5D\x1A", 11) + std::string(1, '\0');
  for (int round = 0; round < 200; ++round) {
    std::string input(static_cast<size_t>(random() % 4000), '\0');
    for (char& byte : input) {
      const unsigned pick = static_cast<unsigned>(random());
      byte = (round % 2 == 0 || pick % 3 == 0) ? static_cast<char>(pick >> 8)
                                               : special[(pick >> 8) % special.size()];
    }
    const Library first = parseLibrary(input);
    PhraseTree tree;
    fillTree(tree, first);
    ASSERT_EQ(parseLibrary(writeLibrary(tree)), first) << "round " << round;
    // The same through load's reading, which also takes UTF-8 and UTF-16.
    const Library read = readLibrary(input);
    fillTree(tree, read);
    ASSERT_EQ(readLibrary(writeLibrary(tree)), read) << "round " << round;
  }
}

// A megabyte of binary bytes with no end mark, so the reader goes through all
// of it: load takes whatever headers it finds, and a save of that reads back
// the same.
TEST(PhraseFileLoad, ABinaryFile) {
  TempFolder folder;
  std::mt19937 random(7);
  std::string binary(1u << 20, '\0');
  for (char& byte : binary) {
    do byte = static_cast<char>(random() >> 8);
    while (byte == '\0' || byte == '\x1A');
  }
  writeBytes(folder / "call.ini", binary);
  PhraseTree tree;
  RecordingStatus status;
  ASSERT_EQ(load(tree, folder / "call.ini", status), LoadResult::loaded);
  const Library loaded = libraryOf(tree);
  EXPECT_EQ(loaded, readLibrary(binary));
  EXPECT_FALSE(loaded.empty());
  ASSERT_EQ(save(tree, folder / "call.ini", status), SaveResult::saved);
  EXPECT_EQ(fileBytes(folder / "call.ini.bak"), binary);
  PhraseTree again;
  ASSERT_EQ(load(again, folder / "call.ini", status), LoadResult::loaded);
  EXPECT_EQ(libraryOf(again), loaded);
}

// ---------------------------------------------------------------------------
// Writing bytes

TEST(PhraseFileWrite, DemonstrationLibraryIsTheFileByteForByte) {
  PhraseTree tree;
  fillTree(tree, demonstrationLibrary());
  EXPECT_EQ(writeLibrary(tree), fileBytes(testData("demonstration_library.ini")));
}

TEST(PhraseFileWrite, EveryItemExactlyOnceInTreeOrder) {
  PhraseTree tree;
  const int a = tree.addItem("A");
  tree.addItem(a, "a1");
  tree.addItem(a, "a2");
  tree.addItem("empty");  // a category without phrases is its header alone
  const int b = tree.addItem("B");
  const int b1 = tree.addItem(b, "b1");
  tree.addItem(b1, "below b1");  // deeper items are phrases of the category
  tree.addItem(b, "b2");
  EXPECT_EQ(writeLibrary(tree),
            "[A]\r\n2=a1\r\n3=a2\r\n[empty]\r\n[B]\r\n6=b1\r\n7=below b1\r\n8=b2\r\n");

  // After removing a phrase, the file is what the tree shows: no old keys.
  tree.removeItem(1);
  EXPECT_EQ(writeLibrary(tree),
            "[A]\r\n2=a2\r\n[empty]\r\n[B]\r\n5=b1\r\n6=below b1\r\n7=b2\r\n");

  PhraseTree empty;
  EXPECT_EQ(writeLibrary(empty), "");
}

// Texts that cannot stand in a line as they are: the writer changes those bytes
// so that the texts around them come back whole.
struct SanitizeCase {
  const char* what;
  std::string category;
  std::string phrase;
  std::string expectedFile;
};

TEST(PhraseFileWrite, BytesThatWouldBreakTheFileAreReplaced) {
  const SanitizeCase cases[] = {
      {"line ends in a phrase", "a", "x\r\ny\nz\rw", "[a]\r\n2=x  y z w\r\n"},
      {"end marks in a phrase", "a", bytes("x\0y\x1Az", 5), "[a]\r\n2=x y z\r\n"},
      {"line end in a name", "a\r\nb", "x", "[a  b]\r\n2=x\r\n"},
      {"] in a name", "a]b]", "x", "[a］b］]\r\n2=x\r\n"},
      {"a GBK second byte 0x5D stays", "\x81]", "x", "[\x81]]\r\n2=x\r\n"},
      {"a name ending in a lead byte", "ab\x81", "x", "[ab?]\r\n2=x\r\n"},
      {"a lead byte before a line end", "a\x81\n", "x\x81\r", "[a\x81 ]\r\n2=x\x81 \r\n"},
      {"everything else is kept", "[=;|", "=[x]|;", "[[=;|]\r\n2==[x]|;\r\n"},
  };
  for (const SanitizeCase& c : cases) {
    PhraseTree tree;
    const int category = tree.addItem(c.category);
    tree.addItem(category, c.phrase);
    tree.addItem("next");
    const std::string written = writeLibrary(tree);
    EXPECT_EQ(written, c.expectedFile + "[next]\r\n") << c.what;
    const Library back = parseLibrary(written);
    ASSERT_EQ(back.size(), 2u) << c.what;
    EXPECT_EQ(back[0].phrases.size(), 1u) << c.what;
    EXPECT_EQ(back[1], (Category{"next", {}})) << c.what;
  }
}

TEST(PhraseFileWrite, TextsThatFitComeBackUnchanged) {
  const Library library = {
      {"问候", {"a=b=c", "[不是标题]", "甲|乙", " 空格 ", "", ";分号", "\"引号\""}},
      {"问候", {"同名的第二个"}},
      {"\x81]名", {}},
      {"", {"无名类"}},
  };
  PhraseTree tree;
  fillTree(tree, library);
  EXPECT_EQ(parseLibrary(writeLibrary(tree)), library);
}

// ---------------------------------------------------------------------------
// Filling the tree

class EventLog : public TreeObserver {
 public:
  void itemInserted(int) override { events.push_back("insert"); }
  void itemRemoving(int) override { events.push_back("remove"); }
  void cleared() override { events.push_back("clear"); }
  void itemTextChanged(int) override { events.push_back("text"); }
  void itemExpansionChanged(int) override {}
  void currentItemSet(int) override {}
  void labelEditRequested(int) override {}
  void bulkChangeBegin() override { events.push_back("begin"); }
  void bulkChangeEnd() override { events.push_back("end"); }
  std::vector<std::string> events;
};

TEST(PhraseFileFill, ReplacesTheTreeInOneBulkChange) {
  PhraseTree tree;
  tree.addItem("old");
  tree.addItem(0, "old phrase");
  EventLog log;
  tree.setObserver(&log);
  fillTree(tree, {{"a", {"x", "y"}}, {"b", {}}});
  tree.setObserver(nullptr);

  EXPECT_EQ(libraryOf(tree), (Library{{"a", {"x", "y"}}, {"b", {}}}));
  ASSERT_GE(log.events.size(), 2u);
  EXPECT_EQ(log.events.front(), "begin");
  EXPECT_EQ(log.events.back(), "end");
  EXPECT_EQ(std::count(log.events.begin(), log.events.end(), "begin"), 1);
  EXPECT_EQ(std::count(log.events.begin(), log.events.end(), "insert"), 4);
}

// ---------------------------------------------------------------------------
// load

TEST(PhraseFileLoad, TheDemonstrationFile) {
  PhraseTree tree;
  RecordingStatus status;
  EXPECT_EQ(load(tree, testData("demonstration_library.ini"), status), LoadResult::loaded);
  EXPECT_EQ(libraryOf(tree), demonstrationLibrary());
  EXPECT_EQ(status.calls, (Status{{1, "刷新成功"}}));
}

TEST(PhraseFileLoad, NoLibraryLeavesTreeAndStatusAlone) {
  TempFolder folder;
  writeBytes(folder / "empty.ini", "");
  writeBytes(folder / "no_headers.ini", "1=x\r\n; [a]\r\n[b=c\r\n");
  const std::filesystem::path files[] = {
      folder / "call.ini",                   // no file
      folder / "no folder" / "call.ini",     // not even its folder
      folder / "empty.ini",
      folder / "no_headers.ini",
      testData("only_end_of_file_marks.ini"),
  };
  for (const auto& file : files) {
    PhraseTree tree;
    tree.addItem("kept");
    RecordingStatus status;
    EXPECT_EQ(load(tree, file, status), LoadResult::noLibrary) << file;
    EXPECT_EQ(libraryOf(tree), (Library{{"kept", {}}})) << file;
    EXPECT_TRUE(status.calls.empty()) << file;
  }
}

TEST(PhraseFileLoad, AFileThatCannotBeReadIsReported) {
  TempFolder folder;
  // A folder where the file should be exists but cannot be read, also for root.
  std::filesystem::create_directory(folder / "call.ini");
  PhraseTree tree;
  tree.addItem("kept");
  RecordingStatus status;
  EXPECT_EQ(load(tree, folder / "call.ini", status), LoadResult::readFailed);
  EXPECT_EQ(libraryOf(tree), (Library{{"kept", {}}}));
  EXPECT_EQ(status.calls, (Status{{1, "读取失败！"}}));
}

#ifndef _WIN32
TEST(PhraseFileLoad, AFileWithoutReadPermissionIsReported) {
  if (geteuid() == 0) GTEST_SKIP() << "running as root, which reads any file";
  TempFolder folder;
  writeBytes(folder / "call.ini", "[a]\r\n1=x\r\n");
  ASSERT_EQ(chmod((folder / "call.ini").c_str(), 0), 0);
  PhraseTree tree;
  RecordingStatus status;
  EXPECT_EQ(load(tree, folder / "call.ini", status), LoadResult::readFailed);
  EXPECT_EQ(tree.itemCount(), 0);
  EXPECT_EQ(status.calls, (Status{{1, "读取失败！"}}));
}
#endif

// ---------------------------------------------------------------------------
// save

TEST(PhraseFileSave, EmptyTreeWithoutFileCreatesNothing) {
  TempFolder folder;
  PhraseTree tree;
  RecordingStatus status;
  EXPECT_EQ(save(tree, folder / "call.ini", status), SaveResult::saved);
  EXPECT_TRUE(folder.names().empty());
  EXPECT_EQ(status.calls, (Status{{1, "保存成功！"}}));
}

TEST(PhraseFileSave, DemonstrationLibraryWithoutFileGivesTheFile) {
  TempFolder folder;
  PhraseTree tree;
  fillTree(tree, demonstrationLibrary());
  RecordingStatus status;
  EXPECT_EQ(save(tree, folder / "call.ini", status), SaveResult::saved);
  EXPECT_EQ(fileBytes(folder / "call.ini"), fileBytes(testData("demonstration_library.ini")));
  // Nothing to back up, and no temporary file left.
  EXPECT_EQ(folder.names(), std::vector<std::string>{"call.ini"});
  EXPECT_EQ(status.calls, (Status{{1, "保存成功！"}}));

  PhraseTree loaded;
  EXPECT_EQ(load(loaded, folder / "call.ini", status), LoadResult::loaded);
  EXPECT_EQ(libraryOf(loaded), demonstrationLibrary());
}

TEST(PhraseFileSave, ThePreviousFileBecomesTheBackup) {
  TempFolder folder;
  const auto file = folder / "call.ini";
  RecordingStatus status;
  PhraseTree tree;
  tree.addItem("first");
  ASSERT_EQ(save(tree, file, status), SaveResult::saved);
  tree.setItemText(0, "second");
  ASSERT_EQ(save(tree, file, status), SaveResult::saved);
  EXPECT_EQ(fileBytes(folder / "call.ini.bak"), "[first]\r\n");
  EXPECT_EQ(fileBytes(file), "[second]\r\n");
  tree.setItemText(0, "third");
  ASSERT_EQ(save(tree, file, status), SaveResult::saved);
  EXPECT_EQ(fileBytes(folder / "call.ini.bak"), "[second]\r\n");
  EXPECT_EQ(fileBytes(file), "[third]\r\n");
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"call.ini", "call.ini.bak"}));

  // Emptying the tree empties the file; the last library stays in the backup.
  tree.clear();
  ASSERT_EQ(save(tree, file, status), SaveResult::saved);
  EXPECT_EQ(fileBytes(file), "");
  EXPECT_EQ(fileBytes(folder / "call.ini.bak"), "[third]\r\n");
}

TEST(PhraseFileSave, FailureIsReportedAndChangesNothing) {
  TempFolder folder;
  PhraseTree tree;
  fillTree(tree, {{"a", {"x"}}});
  tree.setCurrentItem(1);
  const Library before = libraryOf(tree);

  {
    SCOPED_TRACE("the folder does not exist");
    RecordingStatus status;
    EXPECT_EQ(save(tree, folder / "missing" / "call.ini", status), SaveResult::failed);
    EXPECT_EQ(status.calls, (Status{{1, "保存失败！"}}));
    EXPECT_TRUE(folder.names().empty());
  }
  {
    SCOPED_TRACE("the backup cannot be made");
    writeBytes(folder / "call.ini", "[old]\r\n");
    std::filesystem::create_directory(folder / "call.ini.bak");
    writeBytes(folder / "call.ini.bak" / "in the way", "");
    RecordingStatus status;
    EXPECT_EQ(save(tree, folder / "call.ini", status), SaveResult::failed);
    EXPECT_EQ(status.calls, (Status{{1, "保存失败！"}}));
    EXPECT_EQ(fileBytes(folder / "call.ini"), "[old]\r\n");
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"call.ini", "call.ini.bak"}));
  }
  {
    SCOPED_TRACE("a folder where the file should be");
    TempFolder other;
    std::filesystem::create_directory(other / "call.ini");
    RecordingStatus status;
    EXPECT_EQ(save(tree, other / "call.ini", status), SaveResult::failed);
    EXPECT_EQ(status.calls, (Status{{1, "保存失败！"}}));
    EXPECT_EQ(other.names(), std::vector<std::string>{"call.ini"});
  }
  EXPECT_EQ(libraryOf(tree), before);
  EXPECT_EQ(tree.currentItem(), 1);
}

#ifndef _WIN32
TEST(PhraseFileSave, AReadOnlyFolderFails) {
  if (geteuid() == 0) GTEST_SKIP() << "running as root, which writes into any folder";
  TempFolder folder;
  writeBytes(folder / "call.ini", "[old]\r\n");
  ASSERT_EQ(chmod(folder.path().c_str(), 0555), 0);
  PhraseTree tree;
  tree.addItem("new");
  RecordingStatus status;
  EXPECT_EQ(save(tree, folder / "call.ini", status), SaveResult::failed);
  EXPECT_EQ(status.calls, (Status{{1, "保存失败！"}}));
  EXPECT_EQ(fileBytes(folder / "call.ini"), "[old]\r\n");
  EXPECT_EQ(folder.names(), std::vector<std::string>{"call.ini"});
}
#endif

TEST(PhraseFileSave, AMegabytePhraseInAChineseFolderComesBackWhole) {
  TempFolder base;
  const auto folder = base / std::filesystem::path(u8"短语库");
  std::error_code error;
  if (!std::filesystem::create_directory(folder, error)) {
    // Wine maps such names to the host's file names through its locale.
    GTEST_SKIP() << "cannot create a folder with a Chinese name here (" << error.message()
                 << "); under Wine the host needs a UTF-8 locale such as zh_CN.UTF-8";
  }
  std::string huge;
  while (huge.size() < (1u << 20)) huge += "中=[|]文 ";
  const Library library = {{"大", {"前", huge, "后"}}, {"下一个", {"x"}}};
  PhraseTree tree;
  fillTree(tree, library);
  RecordingStatus status;
  ASSERT_EQ(save(tree, folder / "call.ini", status), SaveResult::saved);
  PhraseTree loaded;
  ASSERT_EQ(load(loaded, folder / "call.ini", status), LoadResult::loaded);
  EXPECT_TRUE(libraryOf(loaded) == library);  // no 1 MB dump on failure
}

}  // namespace
}  // namespace moravel
