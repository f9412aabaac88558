// Start-up and shutdown as portable logic: the demonstration library, the
// expand/collapse-all toggle, the order of onCreated, and with the real phrase
// file the starts a user meets (empty folder, a library, a bare category).

#include "app/startup.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/control_look.h"
#include "app/product.h"
#include "library/phrase_file.h"
#include "phrase_file_test_support.h"

namespace moravel {
namespace {

std::vector<std::string> texts(const PhraseTree& tree) {
  std::vector<std::string> out;
  for (int i = 0; i < tree.itemCount(); ++i) out.emplace_back(tree.itemText(i));
  return out;
}

std::vector<int> expandedItems(const PhraseTree& tree) {
  std::vector<int> out;
  for (int i = 0; i < tree.itemCount(); ++i) {
    if (tree.isExpanded(i)) out.push_back(i);
  }
  return out;
}

// Counts bulk brackets and changes, as a view would see them.
class CountingObserver : public TreeObserver {
 public:
  void itemInserted(int) override { changed(); }
  void itemRemoving(int) override { changed(); }
  void cleared() override { changed(); }
  void itemTextChanged(int) override { changed(); }
  void itemExpansionChanged(int) override { changed(); }
  void currentItemSet(int) override {}
  void labelEditRequested(int) override {}
  void bulkChangeBegin() override {
    if (depth++ == 0) ++outerBulks;
  }
  void bulkChangeEnd() override { --depth; }

  void changed() {
    ++changes;
    if (depth == 0) ++changesOutsideBulk;
  }

  int changes = 0;
  int changesOutsideBulk = 0;
  int outerBulks = 0;
  int depth = 0;
};

const std::vector<std::string> kDemoTexts = {
    "示范标题1",   "示范子标题1", "示范子标题2", "示范子标题3", "示范子标题4", "示范子标题5",
    "示范子标题6", "示范子标题7", "示范子标题8", "示范子标题9", "示范子标题10", "示范标题2",
    "示范子标题1", "示范子标题2", "示范子标题3", "示范子标题4", "示范子标题5", "示范子标题6",
    "示范子标题7", "示范子标题8", "示范子标题9", "示范子标题10",
};

TEST(SeedDemoLibrary, TwoCategoriesOfTenPhrasesInOrder) {
  PhraseTree tree;
  CountingObserver observer;
  tree.setObserver(&observer);
  seedDemoLibrary(tree);
  EXPECT_EQ(texts(tree), kDemoTexts);
  for (int i = 0; i < 22; ++i) {
    SCOPED_TRACE(i);
    const int parent = i == 0 || i == 11 ? -1 : (i < 11 ? 0 : 11);
    EXPECT_EQ(tree.parentOf(i), parent);
  }
  // Nothing expanded, nothing current, one redraw for the view.
  EXPECT_TRUE(expandedItems(tree).empty());
  EXPECT_EQ(tree.currentItem(), -1);
  EXPECT_EQ(observer.outerBulks, 1);
  EXPECT_EQ(observer.depth, 0);
  EXPECT_EQ(observer.changes, 22);
}

TEST(SeedDemoLibrary, AppendsAfterWhatIsThere) {
  PhraseTree tree;
  tree.addItem("mine");
  seedDemoLibrary(tree);
  ASSERT_EQ(tree.itemCount(), 23);
  EXPECT_EQ(tree.itemText(0), "mine");
  EXPECT_EQ(tree.itemText(1), "示范标题1");
  EXPECT_EQ(tree.parentOf(2), 1);
}

TEST(ToggleExpandAll, ExpandsThenCollapsesEveryItemByTheTag) {
  PhraseTree tree;
  seedDemoLibrary(tree);
  const int bare = tree.addItem("no phrases");
  CountingObserver observer;
  tree.setObserver(&observer);

  tree.setTag(kTagCollapsed);
  toggleExpandAll(tree);
  EXPECT_EQ(expandedItems(tree), (std::vector<int>{0, 11}));
  EXPECT_FALSE(tree.isExpanded(bare));
  EXPECT_EQ(tree.tag(), kTagExpanded);

  toggleExpandAll(tree);
  EXPECT_TRUE(expandedItems(tree).empty());
  EXPECT_EQ(tree.tag(), kTagCollapsed);

  toggleExpandAll(tree);
  EXPECT_EQ(expandedItems(tree), (std::vector<int>{0, 11}));
  EXPECT_EQ(tree.tag(), kTagExpanded);

  // Every change inside one bracket per toggle: the view redraws once.
  EXPECT_EQ(observer.outerBulks, 3);
  EXPECT_EQ(observer.changesOutsideBulk, 0);
}

TEST(ToggleExpandAll, TheTagIsTheOnlyMemory) {
  PhraseTree tree;
  seedDemoLibrary(tree);
  tree.setTag(kTagExpanded);
  // Everything is collapsed already: the toggle still "collapses" and flips
  // the tag, so the next one expands.
  toggleExpandAll(tree);
  EXPECT_TRUE(expandedItems(tree).empty());
  EXPECT_EQ(tree.tag(), kTagCollapsed);
  toggleExpandAll(tree);
  EXPECT_EQ(expandedItems(tree), (std::vector<int>{0, 11}));
}

TEST(ToggleExpandAll, AnyOtherTagDoesNothing) {
  for (const std::string tag : {"", "未展开 ", "expanded", "已"}) {
    SCOPED_TRACE(tag);
    PhraseTree tree;
    seedDemoLibrary(tree);
    tree.expandItem(11);
    tree.setTag(tag);
    toggleExpandAll(tree);
    EXPECT_EQ(expandedItems(tree), (std::vector<int>{11}));
    EXPECT_EQ(tree.tag(), tag);
  }
}

TEST(ToggleExpandAll, EmptyTreeOnlyFlipsTheTag) {
  PhraseTree tree;
  tree.setTag(kTagCollapsed);
  toggleExpandAll(tree);
  EXPECT_EQ(tree.tag(), kTagExpanded);
}

// A window stand-in that records what start-up asks of it; loading adds the
// categories it is given.
class RecordingHost : public StartupHost {
 public:
  explicit RecordingHost(std::vector<std::vector<std::string>> library = {})
      : library_(std::move(library)) {}
  PhraseTree& tree() override { return tree_; }
  void setControlLook(int scheme) override {
    calls.push_back("look " + std::to_string(scheme) + " items " +
                    std::to_string(tree_.itemCount()));
  }
  void loadLibrary() override {
    calls.push_back("load with tag " + tree_.tag());
    for (const auto& category : library_) {
      const int at = tree_.addItem(category.front());
      for (size_t i = 1; i < category.size(); ++i) tree_.addItem(at, category[i]);
    }
  }
  void saveLibrary() override { calls.push_back("save " + std::to_string(tree_.itemCount())); }

  std::vector<std::string> calls;

 private:
  PhraseTree tree_;
  std::vector<std::vector<std::string>> library_;
};

TEST(OnCreated, LookThenTagThenLoadThenSeedThenExpand) {
  RecordingHost host;
  onCreated(host);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"look 2 items 0", "load with tag 未展开"}));
  EXPECT_EQ(texts(host.tree()), kDemoTexts);
  EXPECT_EQ(expandedItems(host.tree()), (std::vector<int>{0, 11}));
  EXPECT_EQ(host.tree().tag(), kTagExpanded);
}

TEST(OnCreated, ALoadedLibraryIsExpandedAndNotSeeded) {
  RecordingHost host({{"问候", "你好", "在吗"}, {"告别", "再见"}});
  CountingObserver observer;
  host.tree().setObserver(&observer);
  onCreated(host);
  EXPECT_EQ(texts(host.tree()), (std::vector<std::string>{"问候", "你好", "在吗", "告别", "再见"}));
  EXPECT_EQ(expandedItems(host.tree()), (std::vector<int>{0, 3}));
  EXPECT_EQ(host.tree().tag(), kTagExpanded);
  // Loading and opening are one change for the view: it fills itself once,
  // already open.
  EXPECT_EQ(observer.outerBulks, 1);
  EXPECT_EQ(observer.changesOutsideBulk, 0);
}

TEST(OnCreated, ACategoryWithoutPhrasesIsNotReplacedByTheDemonstration) {
  RecordingHost host({{"空目录"}});
  onCreated(host);
  EXPECT_EQ(texts(host.tree()), (std::vector<std::string>{"空目录"}));
  EXPECT_EQ(host.tree().tag(), kTagExpanded);
}

TEST(OnDestroying, Saves) {
  RecordingHost host;
  onCreated(host);
  onDestroying(host);
  EXPECT_EQ(host.calls.back(), "save 22");
}

// With the real phrase file in a folder of its own.
class StartupWithFile : public ::testing::Test, public StartupHost, public StatusSink {
 protected:

  PhraseTree& tree() override { return tree_; }
  void setControlLook(int) override {}
  void loadLibrary() override { load(tree_, file(), *this); }
  void saveLibrary() override { save(tree_, file(), *this); }
  void setStatusText(int pane, std::string_view text) override {
    if (pane == 1) status_ = std::string(text);
  }

  std::filesystem::path file() const { return folder_ / kLibraryFileName; }
  void write(const std::string& bytes) {
    std::ofstream out(file(), std::ios::binary);
    out << bytes;
  }
  std::string read(const std::filesystem::path& path) const {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Unique per process: the tests run side by side in processes of their own.
  testing::TempFolder folder_;
  PhraseTree tree_;
  std::string status_;
};

TEST_F(StartupWithFile, FirstStartSeedsAndTheFirstCloseWritesTheTwentyTwoLines) {
  onCreated(*this);
  EXPECT_EQ(texts(tree_), kDemoTexts);
  EXPECT_EQ(status_, "");
  onDestroying(*this);
  EXPECT_EQ(read(file()), read(std::filesystem::path(MORAVEL_TEST_DATA) /
                               "demonstration_library.ini"));
}

TEST_F(StartupWithFile, ALibraryBesideTheProgramIsShownWithoutDemonstration) {
  write("[问候]\r\n2=你好\r\n3=在吗\r\n[告别]\r\n5=再见\r\n");
  onCreated(*this);
  EXPECT_EQ(texts(tree_), (std::vector<std::string>{"问候", "你好", "在吗", "告别", "再见"}));
  EXPECT_EQ(status_, kStatusLoaded);
  EXPECT_EQ(expandedItems(tree_), (std::vector<int>{0, 3}));
}

TEST_F(StartupWithFile, ABareCategoryIsKept) {
  write("[空目录]\r\n");
  onCreated(*this);
  EXPECT_EQ(texts(tree_), (std::vector<std::string>{"空目录"}));
  onDestroying(*this);
  EXPECT_EQ(read(file()), "[空目录]\r\n");
}

TEST_F(StartupWithFile, AFileWithoutCategoriesGetsTheDemonstrationAndABackupOnClose) {
  const std::string notes = "just some notes\r\nkey=value\r\n";
  write(notes);
  onCreated(*this);
  EXPECT_EQ(texts(tree_), kDemoTexts);
  onDestroying(*this);
  // The user's file is replaced by the library, but kept beside it.
  EXPECT_EQ(read(folder_ / kBackupFileName), notes);
  EXPECT_EQ(texts(tree_).size(), 22u);
}

TEST(Product, TitleCarriesNameContactAndVersion) {
  EXPECT_EQ(windowTitle(), "Moravel   QQ:800012345  1.0版");
  for (char c : kContactNumber) EXPECT_TRUE(c >= '0' && c <= '9');
}

TEST(ClassifyControl, KindsByClassAndStyle) {
  struct Case {
    const char* className;
    std::uint32_t style;
    ControlKind kind;
  };
  const Case cases[] = {
      {"Button", 0x0, ControlKind::pushButton},      // BS_PUSHBUTTON
      {"BUTTON", 0x1, ControlKind::pushButton},      // BS_DEFPUSHBUTTON, any case
      {"button", 0x50010f01, ControlKind::pushButton},  // with window style bits
      {"Button", 0x3, ControlKind::checkBox},        // BS_AUTOCHECKBOX
      {"Button", 0x6, ControlKind::checkBox},        // BS_AUTO3STATE
      {"Button", 0x9, ControlKind::radioButton},     // BS_AUTORADIOBUTTON
      {"Button", 0x7, ControlKind::groupBox},
      {"Button", 0xB, ControlKind::other},           // BS_OWNERDRAW: its owner draws
      {"Edit", 0x0, ControlKind::editBox},
      {"ComboBox", 0x2, ControlKind::comboBox},      // CBS_DROPDOWN
      {"ComboBox", 0x3, ControlKind::comboBox},      // CBS_DROPDOWNLIST
      {"ComboBox", 0x1, ControlKind::other},         // CBS_SIMPLE
      {"ComboLBox", 0x0, ControlKind::comboBox},
      {"msctls_updown32", 0x0, ControlKind::upDown},
      {"SysTreeView32", 0x0, ControlKind::other},
      {"msctls_statusbar32", 0x0, ControlKind::other},
      {"Static", 0x0, ControlKind::other},
      {"ScrollBar", 0x0, ControlKind::other},
      {"Buttons", 0x0, ControlKind::other},
      {"", 0x0, ControlKind::other},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.className);
    EXPECT_EQ(classifyControl(c.className, c.style), c.kind);
  }
}

TEST(LookScheme, SchemeTwoFramesEditBoxesInGreen) {
  EXPECT_EQ(lookScheme(2).editFrame, 164u | (185u << 8) | (127u << 16));
}

}  // namespace
}  // namespace moravel
