#include "library/phrase_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace moravel {
namespace {

// Categories A (a1, a2) and B (b1): A = 0, a1 = 1, a2 = 2, B = 3, b1 = 4.
void buildExample(PhraseTree& tree) {
  const int a = tree.addItem("A");
  tree.addItem(a, "a1");
  tree.addItem(a, "a2");
  const int b = tree.addItem("B");
  tree.addItem(b, "b1");
}

std::vector<std::string> texts(const PhraseTree& tree) {
  std::vector<std::string> out;
  for (int i = 0; i < tree.itemCount(); ++i) out.emplace_back(tree.itemText(i));
  return out;
}

using Texts = std::vector<std::string>;

TEST(PhraseTree, EmptyTreeAnswersHarmlessly) {
  PhraseTree tree;
  EXPECT_EQ(tree.itemCount(), 0);
  EXPECT_EQ(tree.itemText(0), "");
  EXPECT_EQ(tree.hasChildren(0), 0);
  EXPECT_EQ(tree.parentOf(0), -1);
  EXPECT_EQ(tree.removeItem(0), 0);
  EXPECT_EQ(tree.currentItem(), -1);
  EXPECT_EQ(tree.tag(), "");
  EXPECT_EQ(tree.addItem("x"), 0);
}

TEST(PhraseTree, PreOrderIndicesOfTheExample) {
  PhraseTree tree;
  buildExample(tree);
  EXPECT_EQ(texts(tree), (Texts{"A", "a1", "a2", "B", "b1"}));
  EXPECT_EQ(tree.parentOf(2), 0);
  EXPECT_EQ(tree.parentOf(3), -1);
  EXPECT_EQ(tree.hasChildren(3), 1);
  EXPECT_EQ(tree.hasChildren(4), 0);
}

TEST(PhraseTree, IndicesThatNameNoItem) {
  PhraseTree tree;
  buildExample(tree);
  for (int bad : {-1, -100, 5, 6, 1 << 30}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(tree.itemText(bad), "");
    EXPECT_EQ(tree.hasChildren(bad), 0);
    EXPECT_EQ(tree.parentOf(bad), -1);
    EXPECT_FALSE(tree.isExpanded(bad));
    EXPECT_EQ(tree.removeItem(bad), 0);
    tree.expandItem(bad);
    tree.collapseItem(bad);
    tree.setItemText(bad, "changed");
    EXPECT_EQ(tree.idAt(bad), 0u);
  }
  EXPECT_EQ(texts(tree), (Texts{"A", "a1", "a2", "B", "b1"}));
}

TEST(PhraseTree, AddingUnderAnEarlierParentShiftsLaterItems) {
  PhraseTree tree;
  buildExample(tree);
  EXPECT_EQ(tree.addItem(0, "a3"), 3);
  EXPECT_EQ(texts(tree), (Texts{"A", "a1", "a2", "a3", "B", "b1"}));
  EXPECT_EQ(tree.parentOf(5), 4);
  EXPECT_EQ(tree.parentOf(3), 0);
  // A child of a phrase goes after that phrase's own descendants.
  EXPECT_EQ(tree.addItem(1, "deep"), 2);
  EXPECT_EQ(texts(tree), (Texts{"A", "a1", "deep", "a2", "a3", "B", "b1"}));
  EXPECT_EQ(tree.parentOf(2), 1);
  EXPECT_EQ(tree.addItem(0, "a4"), 5);
  EXPECT_EQ(tree.parentOf(6), -1);
}

TEST(PhraseTree, ParentThatNamesNoItemAppendsTopLevel) {
  for (int parent : {-1, 5, 99}) {
    PhraseTree tree;
    buildExample(tree);
    EXPECT_EQ(tree.addItem(parent, "C"), 5) << parent;
    EXPECT_EQ(tree.parentOf(5), -1);
  }
}

TEST(PhraseTree, NewTopLevelIndexStaysValidWhileChildrenAreAdded) {
  PhraseTree tree;
  buildExample(tree);
  const int c = tree.addItem("C");
  for (int i = 0; i < 3; ++i) tree.addItem(c, "c");
  EXPECT_EQ(tree.itemText(c), "C");
  EXPECT_EQ(tree.hasChildren(c), 1);
}

TEST(PhraseTree, RemovingACategoryTakesItsPhrases) {
  PhraseTree tree;
  buildExample(tree);
  EXPECT_EQ(tree.removeItem(0), 1);
  EXPECT_EQ(texts(tree), (Texts{"B", "b1"}));
  EXPECT_EQ(tree.parentOf(1), 0);
  EXPECT_EQ(tree.removeItem(1), 1);
  EXPECT_EQ(tree.hasChildren(0), 0);  // a category without phrases
}

TEST(PhraseTree, ExpansionMarksAndIsIgnoredWithoutChildren) {
  PhraseTree tree;
  buildExample(tree);
  tree.expandItem(1);  // a phrase: nothing to show
  EXPECT_FALSE(tree.isExpanded(1));
  tree.expandItem(0);
  EXPECT_TRUE(tree.isExpanded(0));
  tree.collapseItem(0);
  EXPECT_FALSE(tree.isExpanded(0));
  EXPECT_EQ(texts(tree), (Texts{"A", "a1", "a2", "B", "b1"}));  // indices ignore expansion
  // New items start collapsed, and adding a child keeps the parent's state.
  tree.expandItem(3);
  tree.addItem(3, "b2");
  EXPECT_TRUE(tree.isExpanded(3));
  EXPECT_FALSE(tree.isExpanded(5));
  // Losing its last child closes a category.
  tree.removeItem(4);
  tree.removeItem(4);
  EXPECT_FALSE(tree.isExpanded(3));
}

TEST(PhraseTree, CurrentItemAndItsNotification) {
  PhraseTree tree;
  buildExample(tree);
  std::vector<ChangeCause> raised;
  tree.setCurrentItemChangedHandler([&](ChangeCause cause) {
    raised.push_back(cause);
    EXPECT_NE(tree.currentItem(), -1);  // already current when the handler runs
  });

  tree.setCurrentItem(4, ChangeCause::mouse);  // hidden under a collapsed B
  EXPECT_EQ(tree.currentItem(), 4);
  EXPECT_TRUE(tree.isExpanded(3));
  tree.setCurrentItem(4, ChangeCause::keyboard);  // same item: no change raised
  tree.setCurrentItem(1, ChangeCause::keyboard);
  EXPECT_EQ(raised, (std::vector<ChangeCause>{ChangeCause::mouse, ChangeCause::keyboard}));

  tree.setCurrentItem(tree.itemCount());  // names no item: nothing current
  EXPECT_EQ(tree.currentItem(), -1);
  EXPECT_EQ(raised.size(), 2u);

  // Adding before the current item keeps the same item current.
  tree.setCurrentItem(3);
  tree.addItem(0, "a3");
  EXPECT_EQ(tree.currentItem(), 4);
  EXPECT_EQ(tree.itemText(4), "B");
  tree.clear();
  EXPECT_EQ(tree.currentItem(), -1);
}

// Removing the current item moves it like the tree-view control does: next
// sibling, else parent, else previous sibling.
TEST(PhraseTree, RemovingTheCurrentItemPicksANewOne) {
  struct Case {
    int current;
    int removed;
    std::string expected;  // text of the new current item, "" for none
  };
  const Case cases[] = {
      {1, 1, "a2"},  // next sibling
      {2, 2, "A"},   // last child: its parent
      {0, 0, "B"},   // a category: the next category
      {3, 3, "A"},   // the last category: the previous one
      {2, 0, "B"},   // an ancestor goes: the ancestor's next sibling
      {4, 3, "A"},
  };
  for (const auto& c : cases) {
    PhraseTree tree;
    buildExample(tree);
    tree.setCurrentItem(c.current);
    int raised = 0;
    tree.setCurrentItemChangedHandler([&](ChangeCause cause) {
      EXPECT_EQ(cause, ChangeCause::other);
      ++raised;
    });
    tree.removeItem(c.removed);
    EXPECT_EQ(tree.itemText(tree.currentItem()), c.expected)
        << "current " << c.current << ", removed " << c.removed;
    EXPECT_EQ(raised, 1);
  }

  PhraseTree single;
  single.addItem("only");
  single.setCurrentItem(0);
  single.removeItem(0);
  EXPECT_EQ(single.currentItem(), -1);
}

TEST(PhraseTree, RemovingBeforeTheCurrentItemKeepsItWithoutNotification) {
  PhraseTree tree;
  buildExample(tree);
  tree.setCurrentItem(4);
  int raised = 0;
  tree.setCurrentItemChangedHandler([&](ChangeCause) { ++raised; });
  tree.removeItem(0);
  EXPECT_EQ(tree.itemText(tree.currentItem()), "b1");
  EXPECT_EQ(raised, 0);
}

TEST(PhraseTree, LongTextsComeBackWhole) {
  PhraseTree tree;
  const std::string text(300, 'x');
  tree.addItem(text);
  EXPECT_EQ(tree.itemText(0), text);
  tree.setItemText(0, "中文");
  EXPECT_EQ(tree.itemText(0), "中文");
}

TEST(PhraseTree, IdsFollowTheirItemsAcrossShifts) {
  PhraseTree tree;
  buildExample(tree);
  const ItemId b1 = tree.idAt(4);
  const ItemId a1 = tree.idAt(1);
  EXPECT_EQ(tree.indexOf(b1), 4);
  tree.addItem(0, "a3");
  EXPECT_EQ(tree.indexOf(b1), 5);
  tree.removeItem(1);
  EXPECT_EQ(tree.indexOf(a1), -1);
  EXPECT_EQ(tree.indexOf(b1), 4);
  const ItemId c = tree.idAt(tree.addItem("C"));
  EXPECT_EQ(tree.indexOf(c), 5);
  EXPECT_EQ(tree.indexOf(0), -1);
}

// Ids are found by binary search while they ascend with the index, and
// through a rebuilt table once an insertion in the middle has broken that
// order. Every id must be found at its item's index after each change.
TEST(PhraseTree, IdsAreFoundAfterInsertionsAndRemovalsAnywhere) {
  struct Step {
    enum { add, remove } kind;
    int index;  // parent for add (-1: top level), item for remove
  };
  const Step steps[] = {
      {Step::add, -1}, {Step::add, 0},     {Step::add, 0},      {Step::add, -1},
      {Step::add, 3},  {Step::add, 0},     // into the middle: ids out of order
      {Step::add, 5},  {Step::add, -1},    // appends after that
      {Step::remove, 1}, {Step::add, 1},   // under a phrase, in the middle
      {Step::remove, 3},                   // takes the out-of-order items
      {Step::add, 0},  {Step::remove, 0},  {Step::add, -1}, {Step::add, 0},
  };
  PhraseTree tree;
  std::vector<ItemId> removed;
  for (const Step& step : steps) {
    if (step.kind == Step::add) {
      tree.addItem(step.index, "x");
    } else {
      const int end = step.index + 1 + [&] {
        int below = 0;
        for (int at = step.index + 1; at < tree.itemCount(); ++at) {
          int p = tree.parentOf(at);
          while (p > step.index) p = tree.parentOf(p);
          if (p != step.index) break;
          ++below;
        }
        return below;
      }();
      for (int at = step.index; at < end; ++at) removed.push_back(tree.idAt(at));
      ASSERT_EQ(tree.removeItem(step.index), 1);
    }
    for (int i = 0; i < tree.itemCount(); ++i) {
      ASSERT_EQ(tree.indexOf(tree.idAt(i)), i) << "item " << i << " after " << removed.size();
    }
    for (const ItemId id : removed) ASSERT_EQ(tree.indexOf(id), -1);
  }
  EXPECT_EQ(tree.indexOf(0), -1);
  tree.clear();
  EXPECT_EQ(tree.indexOf(tree.idAt(tree.addItem("after clear"))), 0);
}

// A text the tree itself handed out may come back, also when keeping it
// moves the tree's texts elsewhere; and dropping replaced texts keeps the
// others whole.
TEST(PhraseTree, TextsHandedBackAndReplacedManyTimes) {
  PhraseTree tree;
  const std::string a(1000, 'a');
  tree.addItem(a);
  for (int i = 0; i < 12; ++i) tree.addItem(0, tree.itemText(tree.itemCount() - 1));
  for (int i = 0; i < tree.itemCount(); ++i) ASSERT_EQ(tree.itemText(i), a);
  tree.setItemText(1, tree.itemText(1).substr(10));
  EXPECT_EQ(tree.itemText(1), a.substr(10));

  // Many long replacements: the garbage is dropped now and then.
  Texts expected = texts(tree);
  for (int round = 0; round < 200; ++round) {
    const int index = round % tree.itemCount();
    const std::string text(500 + static_cast<size_t>(round), static_cast<char>('b' + round % 20));
    tree.setItemText(index, text);
    expected[static_cast<size_t>(index)] = text;
  }
  EXPECT_EQ(texts(tree), expected);
}

// Loading hands the tree the file's bytes, and its texts stay where they
// are in them; texts from elsewhere are copied.
TEST(PhraseTree, AdoptedBufferHoldsTheLoadedTexts) {
  PhraseTree tree;
  tree.addItem("kept");
  const std::string_view bytes = tree.adoptTextBuffer("[cat]\r\n2=one\r\n3=two\r\n");
  const int cat = tree.addItem(bytes.substr(1, 3));
  tree.addItem(cat, bytes.substr(9, 3));
  tree.addItem(cat, "elsewhere");
  tree.addItem(cat, bytes.substr(16, 3));
  EXPECT_EQ(texts(tree), (Texts{"kept", "cat", "one", "elsewhere", "two"}));
  EXPECT_EQ(tree.itemText(2).data(), bytes.data() + 9);

  // A second buffer: the items that used the first keep their texts.
  const std::string_view second = tree.adoptTextBuffer(std::string(100, 'z'));
  tree.addItem(second.substr(0, 5));
  EXPECT_EQ(texts(tree), (Texts{"kept", "cat", "one", "elsewhere", "two", "zzzzz"}));

  // Removing most of what used it lets a big buffer go; the rest stays.
  const std::string_view big = tree.adoptTextBuffer(std::string(100000, 'y') + "tail");
  tree.addItem(big.substr(0, 50000));
  tree.addItem(big.substr(100000));
  tree.setItemText(1, "renamed");
  tree.removeItem(6);
  EXPECT_EQ(texts(tree), (Texts{"kept", "renamed", "one", "elsewhere", "two", "zzzzz", "tail"}));
  tree.clear();
  tree.addItem("fresh");
  EXPECT_EQ(texts(tree), (Texts{"fresh"}));
}

// Records what a view would hear, to check that a mirror built from the
// notifications always equals the model.
class MirrorView : public TreeObserver {
 public:
  explicit MirrorView(const PhraseTree& tree) : tree_(tree) {}
  void itemInserted(int index) override {
    items.insert(items.begin() + index, {std::string(tree_.itemText(index)), tree_.parentOf(index)});
    renumber();
  }
  void itemRemoving(int index) override {
    int end = index + 1;
    while (end < static_cast<int>(items.size()) && isBelow(end, index)) ++end;
    items.erase(items.begin() + index, items.begin() + end);
    removedLast = index;
    removedCount = end - index;
  }
  void cleared() override { items.clear(); }
  void itemTextChanged(int index) override { items[static_cast<size_t>(index)].text = tree_.itemText(index); }
  void itemExpansionChanged(int index) override { expansions.push_back(index); }
  void currentItemSet(int index) override { current = index; }
  void labelEditRequested(int index) override { editRequested = index; }
  void bulkChangeBegin() override { ++bulkDepth; }
  void bulkChangeEnd() override { --bulkDepth; ++bulkEnded; }

  struct Item {
    std::string text;
    int parent;
  };
  std::vector<Item> items;
  std::vector<int> expansions;
  int current = -1;
  int editRequested = -1;
  int bulkDepth = 0;
  int bulkEnded = 0;
  int removedLast = -1;
  int removedCount = 0;

 private:
  bool isBelow(int at, int ancestor) const {
    for (int p = items[static_cast<size_t>(at)].parent; p >= 0; p = items[static_cast<size_t>(p)].parent) {
      if (p == ancestor) return true;
    }
    return false;
  }
  // Parent indices after an insertion are the model's (it is already updated).
  void renumber() {
    for (int i = 0; i < static_cast<int>(items.size()); ++i) items[static_cast<size_t>(i)].parent = tree_.parentOf(i);
  }
  const PhraseTree& tree_;
};

TEST(PhraseTree, ObserverHearsEveryChange) {
  PhraseTree tree;
  MirrorView view(tree);
  tree.setObserver(&view);
  {
    PhraseTree::BulkChange bulk(tree);
    EXPECT_EQ(view.bulkDepth, 1);
    buildExample(tree);
  }
  EXPECT_EQ(view.bulkEnded, 1);
  tree.addItem(0, "a3");
  tree.setItemText(5, "b1*");
  tree.removeItem(0);
  EXPECT_EQ(view.removedCount, 4);
  ASSERT_EQ(view.items.size(), 2u);
  EXPECT_EQ(view.items[0].text, "B");
  EXPECT_EQ(view.items[1].text, "b1*");

  tree.setCurrentItem(1);
  EXPECT_EQ(view.current, 1);
  EXPECT_EQ(view.expansions, (std::vector<int>{0}));  // the ancestor opened
  tree.beginLabelEdit(1);
  EXPECT_EQ(view.editRequested, 1);
  tree.beginLabelEdit(7);
  EXPECT_EQ(view.editRequested, 1);
  tree.removeItem(1);
  EXPECT_EQ(view.current, 0);  // the view hears where the current item went
  tree.clear();
  EXPECT_TRUE(view.items.empty());
}

TEST(PhraseTree, TagIsTheOwnersToSet) {
  PhraseTree tree;
  tree.setTag("未展开");
  buildExample(tree);
  tree.expandItem(0);
  EXPECT_EQ(tree.tag(), "未展开");
}

}  // namespace
}  // namespace moravel
