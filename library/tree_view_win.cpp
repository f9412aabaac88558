#include "library/tree_view_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include "text/codepage_win.h"

namespace moravel {
namespace {

// The tree view's own procedure, as the first binding found it.
WNDPROC gControlProc = nullptr;

ChangeCause causeOf(UINT action) {
  switch (action) {
    case TVC_BYKEYBOARD:
      return ChangeCause::keyboard;
    case TVC_BYMOUSE:
      return ChangeCause::mouse;
    default:
      return ChangeCause::other;
  }
}

}  // namespace

int keyStateFlags() {
  int keys = 0;
  if (GetKeyState(VK_CONTROL) < 0) keys |= 1;
  if (GetKeyState(VK_SHIFT) < 0) keys |= 2;
  if (GetKeyState(VK_MENU) < 0) keys |= 4;
  return keys;
}

TreeViewBinding::TreeViewBinding(PhraseTree& tree, HWND control) : tree_(tree), control_(control) {
  // A plain subclass through the window's own procedure and user data:
  // SetWindowSubclass keeps its bookkeeping in a window property, and under
  // Wine reading a property is a trip to the server for every message.
  SetWindowLongPtrW(control_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  controlProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(subclassProc)));
  if (!gControlProc) gControlProc = controlProc_;
  tree_.setObserver(this);
  if (tree_.itemCount() > 0) {
    bulkChangeBegin();
    fillAtEnd_ = true;
    bulkChangeEnd();
  }
}

TreeViewBinding::~TreeViewBinding() {
  tree_.setObserver(nullptr);
  if (IsWindow(control_) &&
      GetWindowLongPtrW(control_, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(this)) {
    SetWindowLongPtrW(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(controlProc_));
    SetWindowLongPtrW(control_, GWLP_USERDATA, 0);
    if (bulkDepth_ > 0) {
      if (hiddenForBulk_) DefWindowProcW(control_, WM_SETREDRAW, TRUE, 0);
      SendMessageW(control_, WM_SETREDRAW, TRUE, 0);
    }
  }
}

void TreeViewBinding::setItemDoubleClickedHandler(std::function<void()> handler) {
  onDoubleClick_ = std::move(handler);
}

void TreeViewBinding::setRightButtonPressedHandler(
    std::function<void(int x, int y, int keys)> handler) {
  onRightButton_ = std::move(handler);
}

HTREEITEM TreeViewBinding::handleOf(int index) const {
  const auto found = handles_.find(tree_.idAt(index));
  return found == handles_.end() ? nullptr : found->second;
}

int TreeViewBinding::indexOf(HTREEITEM item) const {
  if (!item) return -1;
  TVITEMW info{};
  info.mask = TVIF_HANDLE | TVIF_PARAM;
  info.hItem = item;
  if (!SendMessageW(control_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&info))) return -1;
  return tree_.indexOf(static_cast<ItemId>(info.lParam));
}

bool TreeViewBinding::controlExpanded(HTREEITEM item) const {
  const LRESULT state = SendMessageW(control_, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item),
                                     TVIS_EXPANDED);
  return (state & TVIS_EXPANDED) != 0;
}

void TreeViewBinding::insertControlItem(int index, bool withExpansion) {
  const int parent = tree_.parentOf(index);
  HTREEITEM parentItem = TVI_ROOT;
  if (parent >= 0) {
    parentItem = handleOf(parent);
    if (!parentItem) return;
  }
  std::wstring text = text::toWide(tree_.itemText(index));
  TVINSERTSTRUCTW insert{};
  insert.hParent = parentItem;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
  insert.item.pszText = text.data();
  insert.item.iImage = 0;
  insert.item.iSelectedImage = 0;
  const ItemId id = tree_.idAt(index);
  insert.item.lParam = static_cast<LPARAM>(id);
  if (withExpansion && tree_.isExpanded(index)) {
    insert.item.mask |= TVIF_STATE;
    insert.item.state = TVIS_EXPANDED;
    insert.item.stateMask = TVIS_EXPANDED;
  }
  const auto item = reinterpret_cast<HTREEITEM>(
      SendMessageW(control_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
  if (item) handles_[id] = item;
}

void TreeViewBinding::syncExpansion(int index) {
  HTREEITEM item = handleOf(index);
  if (!item) return;
  const bool wanted = tree_.isExpanded(index);
  if (wanted == controlExpanded(item)) return;
  // An item that has no children in the control cannot be opened there; the
  // model never marks such an item expanded.
  SendMessageW(control_, TVM_EXPAND, wanted ? TVE_EXPAND : TVE_COLLAPSE,
               reinterpret_cast<LPARAM>(item));
}

void TreeViewBinding::fillControl() {
  const int n = tree_.itemCount();
  // Level by level, each level in tree order: a parent is always in the
  // control before its children, and siblings keep their order.
  std::vector<int> depth(static_cast<size_t>(n));
  int deepest = 0;
  for (int i = 0; i < n; ++i) {
    const int parent = tree_.parentOf(i);
    depth[static_cast<size_t>(i)] = parent < 0 ? 0 : depth[static_cast<size_t>(parent)] + 1;
    if (depth[static_cast<size_t>(i)] > deepest) deepest = depth[static_cast<size_t>(i)];
  }
  handles_.reserve(static_cast<size_t>(n));
  for (int level = 0; level <= deepest; ++level) {
    for (int i = 0; i < n; ++i) {
      if (depth[static_cast<size_t>(i)] == level) insertControlItem(i, true);
    }
  }
  currentItemSet(tree_.currentItem());
}

void TreeViewBinding::itemInserted(int index) {
  if (fillAtEnd_) return;
  insertControlItem(index, false);
  // A parent that lost its last child earlier may still be marked open in the
  // control; the model closed it, and its first new child must not show.
  const int parent = tree_.parentOf(index);
  if (parent < 0) return;
  if (bulkDepth_ == 0) {
    syncExpansion(parent);
  } else if (parentsToSync_.empty() || parentsToSync_.back() != tree_.idAt(parent)) {
    parentsToSync_.push_back(tree_.idAt(parent));
  }
}

void TreeViewBinding::itemRemoving(int index) {
  if (fillAtEnd_) return;
  HTREEITEM item = handleOf(index);
  if (!item) return;
  // In pre-order the descendants follow the item, and each of them has its
  // parent at or after the item.
  const int n = tree_.itemCount();
  handles_.erase(tree_.idAt(index));
  for (int at = index + 1; at < n && tree_.parentOf(at) >= index; ++at) {
    handles_.erase(tree_.idAt(at));
  }
  ++deleting_;
  SendMessageW(control_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item));
  --deleting_;
}

void TreeViewBinding::cleared() {
  parentsToSync_.clear();
  if (fillAtEnd_) return;
  handles_.clear();
  ++deleting_;
  SendMessageW(control_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  --deleting_;
  if (bulkDepth_ > 0) fillAtEnd_ = true;
}

void TreeViewBinding::itemTextChanged(int index) {
  HTREEITEM item = handleOf(index);
  if (!item) return;
  std::wstring text = text::toWide(tree_.itemText(index));
  TVITEMW info{};
  info.mask = TVIF_HANDLE | TVIF_TEXT;
  info.hItem = item;
  info.pszText = text.data();
  SendMessageW(control_, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&info));
}

void TreeViewBinding::itemExpansionChanged(int index) {
  if (!fillAtEnd_) syncExpansion(index);
}

void TreeViewBinding::currentItemSet(int index) {
  if (fillAtEnd_) return;
  HTREEITEM item = index >= 0 ? handleOf(index) : nullptr;
  const auto selected = reinterpret_cast<HTREEITEM>(
      SendMessageW(control_, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (selected != item) {
    SendMessageW(control_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
  } else if (item) {
    SendMessageW(control_, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
  }
}

void TreeViewBinding::labelEditRequested(int index) {
  HTREEITEM item = handleOf(index);
  if (!item) return;
  if (GetFocus() != control_) SetFocus(control_);
  SendMessageW(control_, TVM_EDITLABELW, 0, reinterpret_cast<LPARAM>(item));
}

void TreeViewBinding::bulkChangeBegin() {
  if (bulkDepth_++ > 0) return;
  SendMessageW(control_, WM_SETREDRAW, FALSE, 0);
  // The control's own handling of the message only stops its painting;
  // the default one also takes the visible style away for the time being,
  // so that the control does not scroll its shown picture at every
  // opened or inserted item either (in Wine that costs milliseconds each).
  hiddenForBulk_ = IsWindowVisible(control_) != FALSE;
  if (hiddenForBulk_) DefWindowProcW(control_, WM_SETREDRAW, FALSE, 0);
  // An empty tree has an empty control: whatever the change adds goes in
  // at its end, all at once.
  if (tree_.itemCount() == 0) {
    fillAtEnd_ = true;
    firstShown_ = 0;
  } else {
    const auto first = reinterpret_cast<HTREEITEM>(
        SendMessageW(control_, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0));
    firstShown_ = tree_.idAt(indexOf(first));
  }
}

bool TreeViewBinding::shownInModel(int index) const {
  if (index < 0) return false;
  for (int parent = tree_.parentOf(index); parent >= 0; parent = tree_.parentOf(parent)) {
    if (!tree_.isExpanded(parent)) return false;
  }
  return true;
}

void TreeViewBinding::keepInView() {
  // Opening or closing many items scrolls the control wherever its last
  // step left it: the top line goes back to what it was, and the current
  // item is shown.
  const int first = tree_.indexOf(firstShown_);
  if (shownInModel(first)) {
    SendMessageW(control_, TVM_SELECTITEM, TVGN_FIRSTVISIBLE,
                 reinterpret_cast<LPARAM>(handleOf(first)));
  }
  const int current = tree_.currentItem();
  if (shownInModel(current)) {
    SendMessageW(control_, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(handleOf(current)));
  }
}

void TreeViewBinding::bulkChangeEnd() {
  if (bulkDepth_ == 0 || --bulkDepth_ > 0) return;
  if (fillAtEnd_) {
    fillAtEnd_ = false;
    parentsToSync_.clear();
    fillControl();
  } else {
    std::vector<ItemId> parents;
    parents.swap(parentsToSync_);
    for (const ItemId id : parents) {
      const int index = tree_.indexOf(id);
      if (index >= 0) syncExpansion(index);
    }
    keepInView();
  }
  if (hiddenForBulk_) DefWindowProcW(control_, WM_SETREDRAW, TRUE, 0);
  hiddenForBulk_ = false;
  SendMessageW(control_, WM_SETREDRAW, TRUE, 0);
  // The frame too: the scroll bars may have come or gone meanwhile.
  RedrawWindow(control_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

bool TreeViewBinding::handleNotify(const NMHDR& header, LRESULT& result) {
  if (header.hwndFrom != control_) return false;
  switch (header.code) {
    case TVN_SELCHANGEDW:
      selectionChanged(reinterpret_cast<const NMTREEVIEWW&>(header));
      result = 0;
      return true;
    case TVN_ITEMEXPANDEDW:
      expansionChanged(reinterpret_cast<const NMTREEVIEWW&>(header));
      result = 0;
      return true;
    case TVN_BEGINLABELEDITW:
      result = FALSE;  // let the edit begin
      return true;
    case TVN_ENDLABELEDITW:
      result = labelEditEnded(reinterpret_cast<const NMTVDISPINFOW&>(header)) ? TRUE : FALSE;
      return true;
    case NM_DBLCLK:
      if (onDoubleClick_) onDoubleClick_();
      result = 0;  // the control still opens or closes the item
      return true;
    default:
      return false;
  }
}

void TreeViewBinding::selectionChanged(const NMTREEVIEWW& info) {
  if (deleting_ > 0) return;
  const int index = indexOf(info.itemNew.hItem);
  // The model's own change coming back, or nothing new.
  if (index == tree_.currentItem()) return;
  tree_.setCurrentItem(index, causeOf(info.action));
}

void TreeViewBinding::expansionChanged(const NMTREEVIEWW& info) {
  const int index = indexOf(info.itemNew.hItem);
  if (index < 0) return;
  const bool open = controlExpanded(info.itemNew.hItem);
  if (open == tree_.isExpanded(index)) return;
  if (open) {
    tree_.expandItem(index);
  } else {
    tree_.collapseItem(index);
  }
}

bool TreeViewBinding::labelEditEnded(const NMTVDISPINFOW& info) {
  // No text: the edit was cancelled (Esc), the old text stays.
  if (!info.item.pszText) return false;
  const int index = indexOf(info.item.hItem);
  if (index < 0) return false;
  tree_.setItemText(index, text::fromWide(info.item.pszText));
  return true;
}

void TreeViewBinding::rightButtonPressed(LPARAM position) {
  if (onRightButton_) onRightButton_(GET_X_LPARAM(position), GET_Y_LPARAM(position), keyStateFlags());
}

void TreeViewBinding::pressedRightButton(LPARAM position) {
  TVHITTESTINFO hit{};
  hit.pt.x = GET_X_LPARAM(position);
  hit.pt.y = GET_Y_LPARAM(position);
  SendMessageW(control_, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  if ((hit.flags & TVHT_ONITEM) == 0 || !hit.hItem) return;
  const int index = indexOf(hit.hItem);
  if (index >= 0) tree_.setCurrentItem(index, ChangeCause::mouse);
}

void TreeViewBinding::reconcileSelection() {
  if (deleting_ > 0 || reconciling_) return;
  reconciling_ = true;
  const auto selected = reinterpret_cast<HTREEITEM>(
      SendMessageW(control_, TVM_GETNEXTITEM, TVGN_CARET, 0));
  const int index = indexOf(selected);
  if (index != tree_.currentItem()) tree_.setCurrentItem(index, ChangeCause::other);
  reconciling_ = false;
}

LRESULT CALLBACK TreeViewBinding::subclassProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
  auto* binding = reinterpret_cast<TreeViewBinding*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (binding && binding->control_ == window) return binding->controlMessage(message, wParam, lParam);
  // A window that outlived a binding which could not give it its procedure
  // back (somebody subclassed it later) still reaches the control.
  if (gControlProc) return CallWindowProcW(gControlProc, window, message, wParam, lParam);
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT TreeViewBinding::controlMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      // Instead of the control's own drag loop and NM_RCLICK: the item under
      // the pointer becomes current, nothing else.
      pressedRightButton(lParam);
      return 0;
    case WM_SETFOCUS:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_KEYDOWN:
    case WM_CHAR:
    case TVM_EXPAND: {
      // The control moves its selection without telling anyone in a few
      // places: to a category that closes over its selected phrase, to the
      // first item when it gets the focus with none selected. The model
      // follows.
      const LRESULT result = CallWindowProcW(controlProc_, control_, message, wParam, lParam);
      reconcileSelection();
      return result;
    }
    case WM_NCDESTROY: {
      // The control goes before the binding: give it its own procedure back.
      const WNDPROC proc = controlProc_;
      const HWND window = control_;
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      return CallWindowProcW(proc, window, message, wParam, lParam);
    }
    default:
      break;
  }
  return CallWindowProcW(controlProc_, control_, message, wParam, lParam);
}

}  // namespace moravel
