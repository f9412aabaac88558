// Files that another editor saved: Notepad writes UTF-8 (with or without a
// byte-order mark), some editors UTF-16. Load reads them all; save writes the
// program's own encoding, GB18030, in which emoji have four-byte codes.
#include <gtest/gtest.h>

#include <string>

#include "library/phrase_file.h"
#include "phrase_file_test_support.h"

namespace moravel {
namespace {

using testing::fileBytes;
using testing::libraryOf;
using testing::RecordingStatus;
using testing::TempFolder;
using testing::testData;
using testing::writeBytes;

// Narrow literals are compiled to GB18030: "😀" is 94 39 FC 36 here.
const std::string kGrinning = "\x94\x39\xFC\x36";

// What every fixture written by another editor holds.
Library editedLibrary() {
  return {{"问候", {"你好" + kGrinning, "€ 再见"}}, {"空类", {}}, {"最后", {"a=b"}}};
}

struct DetectCase {
  const char* what;
  std::string bytes;
  FileEncoding expected;
};

TEST(PhraseFileEncoding, Detection) {
  const DetectCase cases[] = {
      {"empty", "", FileEncoding::programs},
      {"ASCII only", "[a]\r\n1=x\r\n", FileEncoding::programs},
      {"GBK Chinese", "[问候]\r\n2=你好\r\n", FileEncoding::programs},
      {"UTF-8 byte-order mark", "\xEF\xBB\xBF[a]", FileEncoding::utf8Bom},
      {"UTF-8 byte-order mark alone", "\xEF\xBB\xBF", FileEncoding::utf8Bom},
      {"UTF-16 LE mark", std::string("\xFF\xFE[\0", 4), FileEncoding::utf16le},
      {"UTF-16 BE mark", std::string("\xFE\xFF\0[", 4), FileEncoding::utf16be},
      {"UTF-8 Chinese without mark", "[\xE9\x97\xAE]\r\n", FileEncoding::utf8},
      {"UTF-8 emoji without mark", "[a]\r\n1=\xF0\x9F\x98\x80\r\n", FileEncoding::utf8},
      {"UTF-8 with one GBK character", "[\xE9\x97\xAE]\r\n1=\xC4\xE3\r\n", FileEncoding::programs},
      {"overlong UTF-8 is none", "[\xC0\xAF]", FileEncoding::programs},
      {"an encoded surrogate is none", "[\xED\xA0\x80]", FileEncoding::programs},
      {"past U+10FFFF is none", "[\xF4\x90\x80\x80]", FileEncoding::programs},
      {"cut short at the end", "[a]\xE9\x97", FileEncoding::programs},
      // What follows an end mark is never read, so it does not count.
      {"UTF-8 only after an end mark", "[a]\x1A\xE9\x97\xAE", FileEncoding::programs},
      {"GBK only after an end mark", "[\xE9\x97\xAE]\x1A\xC4", FileEncoding::utf8},
  };
  for (const DetectCase& c : cases) {
    EXPECT_EQ(detectEncoding(c.bytes), c.expected) << c.what;
  }
}

TEST(PhraseFileEncoding, FilesFromOtherEditorsReadAsTheyShow) {
  for (const char* file : {"notepad_utf8_bom.ini", "notepad_utf8.ini", "notepad_utf16le.ini",
                           "utf16be.ini"}) {
    const std::string bytes = fileBytes(testData(file));
    ASSERT_FALSE(bytes.empty()) << file;
    // The first category is not lost behind the byte-order mark.
    EXPECT_EQ(readLibrary(bytes), editedLibrary()) << file;
  }
}

struct ConvertCase {
  const char* what;
  std::string bytes;
  std::string expected;
};

TEST(PhraseFileEncoding, ConversionOfWhatIsNoCharacter) {
  const ConvertCase cases[] = {
      {"UTF-8 after a mark, broken in the middle", "\xEF\xBB\xBF" "a\xFF" "b\xE9\x97",
       "a\x84\x31\xA4\x37" "b\x84\x31\xA4\x37\x84\x31\xA4\x37"},
      {"UTF-16 with an unpaired surrogate", std::string("\xFF\xFE" "a\0\x00\xD8" "b\0", 8),
       "a?b"},
      {"UTF-16 with an odd last byte", std::string("\xFF\xFE" "a\0b", 5),
       "a\x84\x31\xA4\x37"},
      {"UTF-16 NUL ends the text as ever", std::string("\xFE\xFF\0a\0\0\0b", 8),
       std::string("a\0b", 3)},
      {"the program's own bytes stay as they are", "[\x81]\xFF\x80]", "[\x81]\xFF\x80]"},
  };
  for (const ConvertCase& c : cases) {
    EXPECT_EQ(toProgramEncoding(c.bytes), c.expected) << c.what;
  }
}

// A Notepad-edited library loads, and the next save writes it in the
// program's encoding, keeping the edited file as the backup.
TEST(PhraseFileEncoding, LoadThenSaveWritesTheProgramsEncoding) {
  for (const char* fixture : {"notepad_utf8_bom.ini", "notepad_utf16le.ini"}) {
    TempFolder folder;
    const auto file = folder / "call.ini";
    const std::string edited = fileBytes(testData(fixture));
    writeBytes(file, edited);
    PhraseTree tree;
    RecordingStatus status;
    ASSERT_EQ(load(tree, file, status), LoadResult::loaded) << fixture;
    EXPECT_EQ(libraryOf(tree), editedLibrary()) << fixture;
    ASSERT_EQ(save(tree, file, status), SaveResult::saved) << fixture;
    EXPECT_EQ(fileBytes(file), "[问候]\r\n2=你好" + kGrinning +
                                   "\r\n3=€ 再见\r\n[空类]\r\n[最后]\r\n6=a=b\r\n")
        << fixture;
    EXPECT_EQ(fileBytes(folder / "call.ini.bak"), edited) << fixture;
  }
}

// An emoji phrase is stored as its four-byte GB18030 code and comes back byte
// for byte.
TEST(PhraseFileEncoding, AnEmojiPhraseSurvivesSaveAndLoad) {
  TempFolder folder;
  const auto file = folder / "call.ini";
  const Library library = {{"表情" + kGrinning, {"好的" + kGrinning + "👍", kGrinning}}};
  PhraseTree tree;
  fillTree(tree, library);
  RecordingStatus status;
  ASSERT_EQ(save(tree, file, status), SaveResult::saved);
  EXPECT_EQ(fileBytes(file), "[表情" + kGrinning + "]\r\n2=好的" + kGrinning +
                                 "\x94\x39\xD1\x31\r\n3=" + kGrinning + "\r\n");
  PhraseTree loaded;
  ASSERT_EQ(load(loaded, file, status), LoadResult::loaded);
  EXPECT_EQ(libraryOf(loaded), library);
}

// A library that happens to be valid UTF-8 as written (ASCII and a GBK
// character whose two bytes also make a UTF-8 one) must not be read as UTF-8
// next time: the writer puts a GB18030 comment line first.
TEST(PhraseFileEncoding, AFileThatWouldReadAsUtf8KeepsItsMeaning) {
  const Library library = {{"a", {"\xC2\xA0", "x"}}, {"b\xD0\x80", {}}};
  PhraseTree tree;
  fillTree(tree, library);
  const std::string written = writeLibrary(tree);
  EXPECT_EQ(written, ";本文件为GB18030编码\r\n[a]\r\n2=\xC2\xA0\r\n3=x\r\n[b\xD0\x80]\r\n");
  EXPECT_EQ(detectEncoding(written), FileEncoding::programs);
  EXPECT_EQ(readLibrary(written), library);

  // Without it the same bytes would be UTF-8 for U+00A0 and U+0400.
  const std::string bare = written.substr(written.find('['));
  EXPECT_EQ(detectEncoding(bare), FileEncoding::utf8);
  EXPECT_NE(readLibrary(bare), library);
}

}  // namespace
}  // namespace moravel
