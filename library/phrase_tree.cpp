#include "library/phrase_tree.h"

namespace moravel {
namespace {
const std::string kNoText;
}

PhraseTree::PhraseTree() = default;

int PhraseTree::itemCount() const { return static_cast<int>(nodes_.size()); }

const std::string& PhraseTree::itemText(int index) const {
  return names(index) ? nodes_[static_cast<size_t>(index)].text : kNoText;
}

int PhraseTree::hasChildren(int index) const {
  return names(index) && nodes_[static_cast<size_t>(index)].descendants > 0 ? 1 : 0;
}

int PhraseTree::parentOf(int index) const {
  return names(index) ? nodes_[static_cast<size_t>(index)].parent : -1;
}

bool PhraseTree::isExpanded(int index) const {
  return names(index) && nodes_[static_cast<size_t>(index)].expanded;
}

int PhraseTree::nextSibling(int index) const {
  const Node& node = nodes_[static_cast<size_t>(index)];
  const int after = index + node.descendants + 1;
  if (after < itemCount() && nodes_[static_cast<size_t>(after)].parent == node.parent) return after;
  return -1;
}

int PhraseTree::previousSibling(int index) const {
  // The item just before is the parent itself, or the previous sibling, or one
  // of that sibling's descendants: climb until the parent matches.
  const int parent = nodes_[static_cast<size_t>(index)].parent;
  for (int at = index - 1; at >= 0 && at != parent; at = nodes_[static_cast<size_t>(at)].parent) {
    if (nodes_[static_cast<size_t>(at)].parent == parent) return at;
  }
  return -1;
}

void PhraseTree::adjustDescendants(int parent, int delta) {
  for (int at = parent; at >= 0; at = nodes_[static_cast<size_t>(at)].parent) {
    nodes_[static_cast<size_t>(at)].descendants += delta;
  }
}

void PhraseTree::raiseCurrentChanged(ChangeCause cause) {
  if (onCurrentChanged_) onCurrentChanged_(cause);
}

int PhraseTree::addItem(int parent, std::string_view text) {
  if (!names(parent)) parent = -1;
  const int position =
      parent < 0 ? itemCount() : parent + nodes_[static_cast<size_t>(parent)].descendants + 1;
  const bool append = position == itemCount();
  const ItemId id = nextId_++;
  nodes_.insert(nodes_.begin() + position, Node{std::string(text), parent, 0, false, id});
  adjustDescendants(parent, +1);
  if (append) {
    if (indexByIdValid_) indexById_[id] = position;
  } else {
    for (size_t at = static_cast<size_t>(position) + 1; at < nodes_.size(); ++at) {
      if (nodes_[at].parent >= position) ++nodes_[at].parent;
    }
    if (current_ >= position) ++current_;
    indexById_.clear();
    indexByIdValid_ = false;
  }
  if (observer_) observer_->itemInserted(position);
  return position;
}

int PhraseTree::removeItem(int index) {
  if (!names(index)) return 0;
  const Node& node = nodes_[static_cast<size_t>(index)];
  const int count = node.descendants + 1;
  const int end = index + count;
  const int parent = node.parent;

  // The new current item, in positions after the removal.
  const bool currentGoes = current_ >= index && current_ < end;
  int newCurrent = current_;
  if (currentGoes) {
    if (nextSibling(index) >= 0) {
      newCurrent = index;
    } else if (parent >= 0) {
      newCurrent = parent;
    } else {
      newCurrent = previousSibling(index);
    }
  } else if (current_ >= end) {
    newCurrent = current_ - count;
  }

  if (observer_) observer_->itemRemoving(index);
  adjustDescendants(parent, -count);
  // A parent that lost its last child can no longer be open.
  if (parent >= 0 && nodes_[static_cast<size_t>(parent)].descendants == 0) {
    nodes_[static_cast<size_t>(parent)].expanded = false;
  }
  nodes_.erase(nodes_.begin() + index, nodes_.begin() + end);
  for (size_t at = static_cast<size_t>(index); at < nodes_.size(); ++at) {
    if (nodes_[at].parent >= end) nodes_[at].parent -= count;
  }
  indexById_.clear();
  indexByIdValid_ = false;

  current_ = newCurrent;
  if (currentGoes) {
    if (observer_) observer_->currentItemSet(current_);
    if (current_ >= 0) raiseCurrentChanged(ChangeCause::other);
  }
  return 1;
}

void PhraseTree::clear() {
  nodes_.clear();
  current_ = -1;
  indexById_.clear();
  indexByIdValid_ = true;
  if (observer_) observer_->cleared();
}

void PhraseTree::expandItem(int index) {
  if (!names(index)) return;
  Node& node = nodes_[static_cast<size_t>(index)];
  if (node.descendants == 0 || node.expanded) return;
  node.expanded = true;
  if (observer_) observer_->itemExpansionChanged(index);
}

void PhraseTree::collapseItem(int index) {
  if (!names(index)) return;
  Node& node = nodes_[static_cast<size_t>(index)];
  if (!node.expanded) return;
  node.expanded = false;
  if (observer_) observer_->itemExpansionChanged(index);
}

void PhraseTree::setItemText(int index, std::string_view text) {
  if (!names(index)) return;
  nodes_[static_cast<size_t>(index)].text = std::string(text);
  if (observer_) observer_->itemTextChanged(index);
}

void PhraseTree::beginLabelEdit(int index) {
  if (names(index) && observer_) observer_->labelEditRequested(index);
}

int PhraseTree::currentItem() const { return current_; }

void PhraseTree::setCurrentItem(int index, ChangeCause cause) {
  if (!names(index)) index = -1;
  // Bring it into view: every ancestor opens, outermost first.
  if (index >= 0) {
    std::vector<int> ancestors;
    for (int at = nodes_[static_cast<size_t>(index)].parent; at >= 0;
         at = nodes_[static_cast<size_t>(at)].parent) {
      ancestors.push_back(at);
    }
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) expandItem(*it);
  }
  const bool changed = index != current_;
  current_ = index;
  // The view hears of it even when unchanged, so that it can scroll to it.
  if (observer_) observer_->currentItemSet(index);
  if (changed && index >= 0) raiseCurrentChanged(cause);
}

void PhraseTree::setCurrentItemChangedHandler(std::function<void(ChangeCause)> handler) {
  onCurrentChanged_ = std::move(handler);
}

void PhraseTree::setObserver(TreeObserver* observer) { observer_ = observer; }

ItemId PhraseTree::idAt(int index) const {
  return names(index) ? nodes_[static_cast<size_t>(index)].id : 0;
}

int PhraseTree::indexOf(ItemId id) const {
  if (!indexByIdValid_) {
    indexById_.clear();
    indexById_.reserve(nodes_.size());
    for (size_t at = 0; at < nodes_.size(); ++at) indexById_[nodes_[at].id] = static_cast<int>(at);
    indexByIdValid_ = true;
  }
  const auto found = indexById_.find(id);
  return found == indexById_.end() ? -1 : found->second;
}

PhraseTree::BulkChange::BulkChange(PhraseTree& tree) : tree_(tree) {
  if (tree_.observer_) tree_.observer_->bulkChangeBegin();
}

PhraseTree::BulkChange::~BulkChange() {
  if (tree_.observer_) tree_.observer_->bulkChangeEnd();
}

}  // namespace moravel
