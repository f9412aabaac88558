#pragma once
// PhraseTree: the phrase library while the program runs. Top-level items are
// categories, their children are phrases (the operations work for any depth).
//
// Every operation names an item by its item index: its 0-based position in the
// pre-order sequence of the whole tree (a category, then its phrases, then the
// next category), counted regardless of expansion. -1 stands for no item. An
// index below 0, or at or above itemCount(), names no item, and every operation
// answers it harmlessly (empty text, 0, -1, no change). Indices are positions,
// not identities: adding an item moves every later item one place up, removing
// an item with its d descendants moves every later item d + 1 places down. The
// file keys are these positions plus 1, so this order is the order of the file.
//
// The tree is plain data. A view (the tree-view control) attaches as a
// TreeObserver and mirrors every change; changes the user makes in the view come
// back through the ordinary operations (setCurrentItem with its cause,
// expandItem/collapseItem, setItemText).
//
// Cost: resolving an index is O(1). Appending at the end (loading, seeding) is
// amortised O(1); inserting or removing in the middle is O(n) in the items after
// it. So every loop over all items is linear.
//
// Memory: an item is 32 bytes and makes no allocation of its own; its text is a
// slice of one of two buffers: the tree's own, where added and edited texts are
// appended, and one adopted from the loader (the file's bytes, whose phrases
// are then used where they stand). A library of 100,000 phrases is thus a few
// large blocks, not 100,000 small ones, and loading copies no text.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace moravel {

// Why the current item changed; the numbers are the ones handlers see.
enum class ChangeCause : int { keyboard = 0, mouse = 1, other = 2 };

// A stable identity for an item, for views that must find their own handle for
// an item (and the item for a handle) after indices have shifted. Never reused
// within one tree. 0 is no item.
using ItemId = std::uint64_t;

// Receives every change of the tree, after it has been made (except
// itemRemoving, which comes before, while the item can still be looked at).
class TreeObserver {
 public:
  virtual ~TreeObserver() = default;
  // The item now at `index` is new. It is the last child of parentOf(index)
  // (or the last top-level item), collapsed, with its text set.
  virtual void itemInserted(int index) = 0;
  // The item at `index` and all its descendants are about to go.
  virtual void itemRemoving(int index) = 0;
  // Every item is gone.
  virtual void cleared() = 0;
  virtual void itemTextChanged(int index) = 0;
  virtual void itemExpansionChanged(int index) = 0;
  // The current item is now `index` (-1: none).
  virtual void currentItemSet(int index) = 0;
  // The user should now edit the item's text in place (a view-only request).
  virtual void labelEditRequested(int index) = 0;
  // Many changes follow / have ended: a view may stop redrawing in between.
  // Calls nest; only the outermost pair matters.
  virtual void bulkChangeBegin() = 0;
  virtual void bulkChangeEnd() = 0;
};

class PhraseTree {
 public:
  PhraseTree();
  PhraseTree(const PhraseTree&) = delete;
  PhraseTree& operator=(const PhraseTree&) = delete;

  // Number of items at all levels.
  int itemCount() const;
  // The item's whole text; the empty text when the index names no item. The
  // view stays valid until the tree next changes (an item added, removed or
  // given a new text, or the tree cleared): copy it to keep it longer. It may
  // be handed back to addItem or setItemText of the same tree.
  std::string_view itemText(int index) const;
  // 1 when the item has at least one child; 0 otherwise or for no item.
  int hasChildren(int index) const;
  // Index of the parent; -1 for a top-level item and for no item.
  int parentOf(int index) const;
  // Whether the item's children are shown; false for no item.
  bool isExpanded(int index) const;

  // Creates a collapsed item with `text` as the last child of `parent`; as the
  // last top-level item when parent is -1 or names no item. Returns its index.
  // Changes neither the current item nor any expansion.
  int addItem(int parent, std::string_view text);
  int addItem(std::string_view text) { return addItem(-1, text); }

  // For loading: the tree keeps `buffer` and returns a view of it, and
  // addItem keeps no copy of a text that lies within that view. The buffer
  // lives until clear(), the next adoption, or until most of it is no longer
  // any item's text. Existing items keep their texts.
  std::string_view adoptTextBuffer(std::string buffer);
  // A hint before adding many items: room for `count` items in all, so that
  // loading a large library does not move the items again and again. Without
  // the memory for it, nothing happens.
  void reserveItems(std::size_t count) noexcept;
  // Removes the item with all its descendants: 1, or 0 when it names no item.
  // When the current item (or an ancestor of it) goes, the tree picks a new
  // current item the way the Win32 tree view does: the removed item's next
  // sibling, else its parent, else its previous sibling, else none. A change to
  // another item raises currentItemChanged with ChangeCause::other.
  int removeItem(int index);
  // Removes every item; afterwards no item is current. Leaving the tree with no
  // current item does not raise currentItemChanged.
  void clear();

  // Marks the item expanded; nothing for an item without children or no item.
  void expandItem(int index);
  // Marks the item collapsed; nothing for no item.
  void collapseItem(int index);

  // Replaces the item's text (the end of an in-place label edit); nothing for
  // no item.
  void setItemText(int index, std::string_view text);
  // Asks the view to open in-place editing of the item's text; nothing for no
  // item or without a view.
  void beginLabelEdit(int index);

  // Index of the current item; -1 when there is none.
  int currentItem() const;
  // Makes the item current and brings it into view: every collapsed ancestor is
  // expanded. An index that names no item leaves no item current. When another
  // item has become current, the handler runs before this returns.
  void setCurrentItem(int index, ChangeCause cause = ChangeCause::other);

  // The tree's tag text: never shown, empty at first; its owner keeps the state
  // of the expand/collapse-all toggle in it.
  std::string tag() const { return tag_; }
  void setTag(std::string_view text) { tag_ = std::string(text); }

  // Raised synchronously each time another item has become current.
  void setCurrentItemChangedHandler(std::function<void(ChangeCause)> handler);

  // At most one observer; nullptr detaches.
  void setObserver(TreeObserver* observer);

  // Stable identities for views. idAt of no item is 0; indexOf an unknown or
  // removed id is -1. indexOf is O(log n) (after an insertion in the middle,
  // the first call afterwards is O(n log n)).
  ItemId idAt(int index) const;
  int indexOf(ItemId id) const;

  // Brackets a series of changes so that a view can switch its redraw off.
  class BulkChange {
   public:
    explicit BulkChange(PhraseTree& tree);
    ~BulkChange();
    BulkChange(const BulkChange&) = delete;
    BulkChange& operator=(const BulkChange&) = delete;

   private:
    PhraseTree& tree_;
  };

 private:
  // No std::string here: the text is a slice of texts_, or of adopted_ when
  // textAt has kAdopted set.
  struct Node {
    Node(std::size_t at, std::uint32_t length, int parentIndex, ItemId itemId)
        : textAt(at), textLength(length), parent(parentIndex), id(itemId) {}
    std::size_t textAt;
    std::uint32_t textLength;
    int parent;       // index of the parent, -1 for a top-level item
    int descendants = 0;  // number of items below it, at all depths
    bool expanded = false;
    ItemId id;
  };
  static_assert(sizeof(Node) == 32 || sizeof(void*) != 8, "an item stays small");

  bool names(int index) const { return index >= 0 && index < itemCount(); }
  const Node& node(int index) const { return nodes_[static_cast<std::size_t>(index)]; }
  Node& node(int index) { return nodes_[static_cast<std::size_t>(index)]; }
  int nextSibling(int index) const;
  int previousSibling(int index) const;
  void adjustDescendants(int parent, int delta);
  void raiseCurrentChanged(ChangeCause cause);
  static constexpr std::size_t kAdopted = ~(~std::size_t{0} >> 1);
  // Where a node's text is: where it stands in adopted_, else at a copy
  // appended to texts_.
  struct TextSlice {
    std::size_t at;
    std::uint32_t length;
  };
  TextSlice storeText(std::string_view text);
  // Once the bytes no item uses are the larger part of the two buffers,
  // copies every text into a fresh texts_ and lets adopted_ go.
  void compactTexts(bool always = false);

  std::vector<Node> nodes_;
  // Texts replaced or removed stay behind in the buffers until compactTexts;
  // textBytes_ is the sum of the texts' lengths.
  std::string texts_;
  std::string adopted_;
  std::size_t textBytes_ = 0;
  int current_ = -1;
  ItemId nextId_ = 1;
  std::string tag_;
  std::function<void(ChangeCause)> onCurrentChanged_;
  TreeObserver* observer_ = nullptr;
  // Ids only grow and removals keep the order, so while nothing has been
  // inserted in the middle, ids ascend with the index and indexOf is a binary
  // search over nodes_. Afterwards it searches byId_, (id, index) sorted by
  // id, rebuilt on demand after a change in the middle; appends keep it.
  mutable bool idsAscend_ = true;
  mutable std::vector<std::pair<ItemId, int>> byId_;
  mutable bool byIdValid_ = false;
};

}  // namespace moravel
