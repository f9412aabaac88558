#include "app/phrase_commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace moravel {
namespace {

class FakeHost : public CommandHost {
 public:
  PhraseTree& tree() override { return tree_; }
  std::string keyword() override { return keyword_; }
  void setStatusText(int pane, std::string_view text) override {
    status.push_back(std::to_string(pane) + ":" + std::string(text));
  }
  bool copyToClipboard(std::string_view text) override {
    if (clipboardBusy) return false;
    clipboard = std::string(text);
    return true;
  }
  void armQuickSend() override { ++armed; }
  void popUpContextMenu() override { ++menus; }
  void showAboutBox(std::string_view caption, std::string_view text) override {
    aboutCaption = std::string(caption);
    aboutText = std::string(text);
  }

  PhraseTree tree_;
  std::string keyword_;
  std::vector<std::string> status;
  std::string clipboard = "before";
  bool clipboardBusy = false;
  int armed = 0;
  int menus = 0;
  std::string aboutCaption;
  std::string aboutText;
};

// Two categories: 0 "问候" (1 "您好", 2 "Hello"), 3 "售后" (4 "退货", 5 "hello world").
void buildLibrary(PhraseTree& tree) {
  const int a = tree.addItem("问候");
  tree.addItem(a, "您好");
  tree.addItem(a, "Hello");
  const int b = tree.addItem("售后");
  tree.addItem(b, "退货");
  tree.addItem(b, "hello world");
}

std::vector<int> clicks(PhraseCommands& commands, FakeHost& host, int n) {
  std::vector<int> selected;
  for (int i = 0; i < n; ++i) {
    commands.findNext();
    selected.push_back(host.tree_.currentItem());
  }
  return selected;
}

TEST(FindNext, EmptyTreeChangesNothing) {
  FakeHost host;
  PhraseCommands commands(host);
  commands.findNext();
  EXPECT_EQ(host.tree_.currentItem(), -1);
  EXPECT_EQ(commands.searchPosition(), 0);
}

TEST(FindNext, StepsThroughMatchesAndWraps) {
  struct Case {
    std::string keyword;
    std::vector<int> expected;  // current item after each click
  };
  const Case cases[] = {
      // An empty keyword matches every item with a text.
      {"", {0, 1, 2, 3, 4, 5, 0}},
      // Letters are case-sensitive: "hello" is not in "Hello".
      {"hello", {5, 5, 5}},
      {"Hello", {2, 2, 2}},
      {"l", {2, 5, 2, 5}},
      {"您", {1, 1}},
      // No match: nothing becomes current.
      {"xyz", {-1, -1}},
  };
  for (const auto& c : cases) {
    FakeHost host;
    buildLibrary(host.tree_);
    host.keyword_ = c.keyword;
    PhraseCommands commands(host);
    EXPECT_EQ(clicks(commands, host, static_cast<int>(c.expected.size())), c.expected)
        << "keyword \"" << c.keyword << "\"";
  }
}

TEST(FindNext, EmptyTextsNeverMatch) {
  FakeHost host;
  host.tree_.addItem("a");
  host.tree_.addItem("");
  host.tree_.addItem("b");
  PhraseCommands commands(host);
  EXPECT_EQ(clicks(commands, host, 3), (std::vector<int>{0, 2, 0}));
}

TEST(FindNext, MatchesOnlyOnCharacterBoundaries) {
  // "中文" is D6 D0 CE C4; the bytes D0 CE straddle the two characters.
  FakeHost host;
  host.tree_.addItem("中文");
  host.tree_.addItem("\xD0\xCE");
  host.keyword_ = "\xD0\xCE";
  PhraseCommands commands(host);
  EXPECT_EQ(clicks(commands, host, 2), (std::vector<int>{1, 1}));
}

TEST(FindNext, WrapsAtOnceAfterItemsWereRemoved) {
  FakeHost host;
  buildLibrary(host.tree_);
  host.keyword_ = "hello";
  PhraseCommands commands(host);
  commands.findNext();  // item 5: the position is now past the end
  host.tree_.removeItem(3);
  host.keyword_ = "";
  commands.findNext();
  EXPECT_EQ(host.tree_.currentItem(), 0);
}

TEST(FindNext, FoundItemIsBroughtIntoView) {
  FakeHost host;
  buildLibrary(host.tree_);
  host.keyword_ = "退货";
  int changes = 0;
  host.tree_.setCurrentItemChangedHandler([&](ChangeCause) { ++changes; });
  PhraseCommands commands(host);
  commands.findNext();
  EXPECT_EQ(host.tree_.currentItem(), 4);
  EXPECT_TRUE(host.tree_.isExpanded(3));
  EXPECT_EQ(changes, 1);
}

TEST(ContextCommands, AddPhraseDependsOnTheCurrentItem) {
  FakeHost host;
  buildLibrary(host.tree_);
  PhraseCommands commands(host);

  host.tree_.setCurrentItem(0);  // a category: appended as its last phrase
  commands.addPhrase();
  EXPECT_EQ(host.tree_.itemText(3), kNewPhraseText);
  EXPECT_EQ(host.tree_.parentOf(3), 0);
  EXPECT_EQ(host.tree_.currentItem(), 0);

  host.tree_.setCurrentItem(1);  // a phrase: nothing
  commands.addPhrase();
  EXPECT_EQ(host.tree_.itemCount(), 7);

  host.tree_.setCurrentItem(-1);  // nothing current: a top-level item
  commands.addPhrase();
  EXPECT_EQ(host.tree_.itemCount(), 8);
  EXPECT_EQ(host.tree_.itemText(7), kNewPhraseText);
  EXPECT_EQ(host.tree_.parentOf(7), -1);
}

TEST(ContextCommands, AddCategoryAppendsWithoutSelecting) {
  FakeHost host;
  buildLibrary(host.tree_);
  host.tree_.setCurrentItem(1);
  PhraseCommands commands(host);
  commands.addCategory();
  EXPECT_EQ(host.tree_.itemText(6), kNewCategoryText);
  EXPECT_EQ(host.tree_.hasChildren(6), 0);
  EXPECT_EQ(host.tree_.currentItem(), 1);
}

TEST(ContextCommands, DeleteAndEditActOnTheCurrentItemOnly) {
  FakeHost host;
  buildLibrary(host.tree_);
  PhraseCommands commands(host);

  // Nothing current: nothing deleted (not the first category).
  commands.deleteItem();
  commands.editLabel();
  EXPECT_EQ(host.tree_.itemCount(), 6);

  // The item current when the command runs is the one that goes.
  host.tree_.setCurrentItem(4);
  host.tree_.addItem(0, "新");  // shifts "退货" to 5
  commands.deleteItem();
  EXPECT_EQ(host.tree_.itemCount(), 6);
  EXPECT_EQ(host.tree_.itemText(5), "hello world");
  EXPECT_EQ(host.tree_.itemText(4), "售后");

  host.tree_.setCurrentItem(0);
  commands.deleteItem();  // a category goes with its phrases
  EXPECT_EQ(host.tree_.itemCount(), 2);
}

TEST(ContextCommands, EditLabelAsksTheViewForTheCurrentItem) {
  struct EditRecorder : TreeObserver {
    void itemInserted(int) override {}
    void itemRemoving(int) override {}
    void cleared() override {}
    void itemTextChanged(int) override {}
    void itemExpansionChanged(int) override {}
    void currentItemSet(int) override {}
    void labelEditRequested(int index) override { edited.push_back(index); }
    void bulkChangeBegin() override {}
    void bulkChangeEnd() override {}
    std::vector<int> edited;
  } recorder;
  FakeHost host;
  buildLibrary(host.tree_);
  host.tree_.setObserver(&recorder);
  PhraseCommands commands(host);
  commands.editLabel();
  host.tree_.setCurrentItem(2);
  commands.editLabel();
  EXPECT_EQ(recorder.edited, (std::vector<int>{2}));
}

TEST(CopyAndArm, CopiesTheCurrentTextThenArms) {
  FakeHost host;
  buildLibrary(host.tree_);
  host.tree_.setCurrentItem(1);
  PhraseCommands commands(host);
  commands.copyAndArm();
  EXPECT_EQ(host.clipboard, "您好");
  EXPECT_EQ(host.status, (std::vector<std::string>{"1:" + std::string(kStatusCopied)}));
  EXPECT_EQ(host.armed, 1);
}

TEST(CopyAndArm, NoCurrentItemDoesNothing) {
  FakeHost host;
  buildLibrary(host.tree_);
  PhraseCommands commands(host);
  commands.copyAndArm();
  EXPECT_EQ(host.clipboard, "before");
  EXPECT_TRUE(host.status.empty());
  EXPECT_EQ(host.armed, 0);
}

TEST(CopyAndArm, FailedCopyIsReportedAndDoesNotArm) {
  FakeHost host;
  buildLibrary(host.tree_);
  host.tree_.setCurrentItem(2);
  host.clipboardBusy = true;
  PhraseCommands commands(host);
  commands.copyAndArm();
  EXPECT_EQ(host.status, (std::vector<std::string>{"1:" + std::string(kStatusCopyFailed)}));
  EXPECT_EQ(host.armed, 0);
}

TEST(About, TextEndsWithTheContactNumber) {
  FakeHost host;
  PhraseCommands commands(host);
  commands.showAbout("800012345");
  EXPECT_EQ(host.aboutCaption, "关于作者");
  EXPECT_TRUE(host.aboutText.ends_with("\r\n\r\n有更好的意见，请反馈给我：QQ 800012345"));
  EXPECT_TRUE(host.aboutText.starts_with("本软件支持QQ，微信，旺旺\r\n\r\n使用方法："));
}

}  // namespace
}  // namespace moravel
