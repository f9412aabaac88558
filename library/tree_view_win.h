#pragma once
// Shows a PhraseTree in a SysTreeView32 control and keeps the two in step.
//
// Model to control: the binding is the tree's TreeObserver; every change of the
// model is made in the control at once. Each control item carries its item's
// ItemId in lParam, and the binding keeps ItemId -> HTREEITEM, so neither side
// is ever walked to find the other.
//
// Control to model: the user's changes (a selection by mouse or key, an item
// opened or closed, the end of a label edit) arrive as notifications that the
// control's parent hands to handleNotify; they are made in the model, which
// tells the observers and the current-item handler. Every echo is caught by
// comparing the two sides: a change the other side already has is not made
// again, so nothing loops.
//
// Bulk changes: the control's redraw is off in between. A bulk change that
// starts with an empty tree or clears it (loading a library) fills the control
// once at its end, parents before children, each item already in its final
// expansion state: item by item in tree order, opening each category after
// its children, is quadratic in some tree view implementations.
//
// The right button: the control's own right-button handling (a drag loop, then
// NM_RCLICK) is replaced. The message loop calls rightButtonPressed with the
// press before the control sees it; the control then only makes the item under
// the pointer current (ChangeCause::mouse).

#include <windows.h>
// After windows.h.
#include <commctrl.h>

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "library/phrase_tree.h"

namespace moravel {

class TreeViewBinding : public TreeObserver {
 public:
  // Attaches to `tree` (as its only observer) and fills the control with the
  // tree's present items. The control must be empty, owned by the caller, and
  // outlive the binding.
  TreeViewBinding(PhraseTree& tree, HWND control);
  ~TreeViewBinding() override;
  TreeViewBinding(const TreeViewBinding&) = delete;
  TreeViewBinding& operator=(const TreeViewBinding&) = delete;

  HWND control() const { return control_; }
  PhraseTree& tree() { return tree_; }

  // The control's parent passes every WM_NOTIFY from the control here. Returns
  // true when the notification was this binding's, with the answer in result.
  bool handleNotify(const NMHDR& header, LRESULT& result);

  // A left-button double-click in the control (after its own reaction).
  void setItemDoubleClickedHandler(std::function<void()> handler);
  // A right-button press, before the control reacts: client x, y and the keys
  // held (1 Ctrl, 2 Shift, 4 Alt, added up).
  void setRightButtonPressedHandler(std::function<void(int x, int y, int keys)> handler);

  // For the message loop: a WM_RBUTTONDOWN addressed to the control, before it
  // is dispatched. Raises rightButtonPressed.
  void rightButtonPressed(LPARAM position);

  // The control item of a tree item, and back (nullptr / -1 when none).
  HTREEITEM handleOf(int index) const;
  int indexOf(HTREEITEM item) const;

  // TreeObserver: the model has changed.
  void itemInserted(int index) override;
  void itemRemoving(int index) override;
  void cleared() override;
  void itemTextChanged(int index) override;
  void itemExpansionChanged(int index) override;
  void currentItemSet(int index) override;
  void labelEditRequested(int index) override;
  void bulkChangeBegin() override;
  void bulkChangeEnd() override;

 private:
  static LRESULT CALLBACK subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT controlMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void pressedRightButton(LPARAM position);
  void insertControlItem(int index, bool withExpansion);
  void fillControl();
  bool shownInModel(int index) const;
  void keepInView();
  bool controlExpanded(HTREEITEM item) const;
  void syncExpansion(int index);
  void selectionChanged(const NMTREEVIEWW& info);
  void expansionChanged(const NMTREEVIEWW& info);
  bool labelEditEnded(const NMTVDISPINFOW& info);
  void reconcileSelection();

  PhraseTree& tree_;
  HWND control_;
  std::unordered_map<ItemId, HTREEITEM> handles_;
  std::function<void()> onDoubleClick_;
  std::function<void(int, int, int)> onRightButton_;
  WNDPROC controlProc_ = nullptr;
  int bulkDepth_ = 0;
  // Within a bulk change: the control is empty and is filled at its end, so
  // the changes in between are not made in it one by one.
  bool fillAtEnd_ = false;
  bool hiddenForBulk_ = false;
  // The item on the control's top line when the bulk change began.
  ItemId firstShown_ = 0;
  // Within a bulk change: parents that got children, whose expansion is
  // brought in step at its end.
  std::vector<ItemId> parentsToSync_;
  // While items are being deleted the control picks a new selection of its
  // own; the model decides that one, so the control's choice is not taken.
  int deleting_ = 0;
  bool reconciling_ = false;
};

// Keys held, as rightButtonPressed reports them: 1 Ctrl, 2 Shift, 4 Alt.
int keyStateFlags();

}  // namespace moravel
