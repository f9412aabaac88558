#include "library/phrase_tree.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace moravel {
namespace {

// Replaced and removed texts are dropped once they take more room than the
// texts in use and this much besides, so that editing costs O(1) amortised.
constexpr std::size_t kGarbageSlack = 4096;

}  // namespace

PhraseTree::PhraseTree() = default;

int PhraseTree::itemCount() const { return static_cast<int>(nodes_.size()); }

std::string_view PhraseTree::itemText(int index) const {
  if (!names(index)) return {};
  const Node& item = node(index);
  const char* buffer = (item.textAt & kAdopted) ? adopted_.data() : texts_.data();
  return std::string_view(buffer + (item.textAt & ~kAdopted), item.textLength);
}

int PhraseTree::hasChildren(int index) const {
  return names(index) && node(index).descendants > 0 ? 1 : 0;
}

int PhraseTree::parentOf(int index) const { return names(index) ? node(index).parent : -1; }

bool PhraseTree::isExpanded(int index) const { return names(index) && node(index).expanded; }

int PhraseTree::nextSibling(int index) const {
  const Node& item = node(index);
  const int after = index + item.descendants + 1;
  if (after < itemCount() && node(after).parent == item.parent) return after;
  return -1;
}

int PhraseTree::previousSibling(int index) const {
  // The item just before is the parent itself, or the previous sibling, or one
  // of that sibling's descendants: climb until the parent matches.
  const int parent = node(index).parent;
  for (int at = index - 1; at >= 0 && at != parent; at = node(at).parent) {
    if (node(at).parent == parent) return at;
  }
  return -1;
}

void PhraseTree::adjustDescendants(int parent, int delta) {
  for (int at = parent; at >= 0; at = node(at).parent) node(at).descendants += delta;
}

void PhraseTree::raiseCurrentChanged(ChangeCause cause) {
  if (onCurrentChanged_) onCurrentChanged_(cause);
}

PhraseTree::TextSlice PhraseTree::storeText(std::string_view text) {
  // A text beyond 4 GiB cannot come from a file this program reads whole; it
  // would be kept only up to that length.
  const std::size_t length =
      std::min<std::size_t>(text.size(), std::numeric_limits<std::uint32_t>::max());
  textBytes_ += length;
  // Compared as numbers: the text may come from anywhere.
  const auto start = reinterpret_cast<std::uintptr_t>(text.data());
  const auto adopted = reinterpret_cast<std::uintptr_t>(adopted_.data());
  if (!adopted_.empty() && start >= adopted && start - adopted + length <= adopted_.size()) {
    return {(start - adopted) | kAdopted, static_cast<std::uint32_t>(length)};
  }
  const std::size_t at = texts_.size();
  // The text may be a view of texts_ itself (itemText handed back); append
  // copies it before it lets go of the old buffer.
  texts_.append(text.data(), length);
  return {at, static_cast<std::uint32_t>(length)};
}

void PhraseTree::compactTexts(bool always) {
  // An adopted text used by two items counts twice in textBytes_.
  const std::size_t held = texts_.size() + adopted_.size();
  const std::size_t unused = held > textBytes_ ? held - textBytes_ : 0;
  // The slack grows with the items too, so that a compaction, which visits
  // every item, always follows at least as many bytes of garbage.
  if (!always && unused <= textBytes_ + nodes_.size() + kGarbageSlack) return;
  std::string kept;
  kept.reserve(textBytes_);
  for (Node& item : nodes_) {
    const std::size_t at = kept.size();
    const std::string& from = (item.textAt & kAdopted) ? adopted_ : texts_;
    kept.append(from, item.textAt & ~kAdopted, item.textLength);
    item.textAt = at;
  }
  texts_ = std::move(kept);
  adopted_ = std::string();
}

std::string_view PhraseTree::adoptTextBuffer(std::string buffer) {
  // Items that still use the buffer adopted before get their own copies.
  if (!adopted_.empty()) compactTexts(true);
  adopted_ = std::move(buffer);
  return adopted_;
}

void PhraseTree::reserveItems(std::size_t count) noexcept {
  try {
    nodes_.reserve(count);
  } catch (const std::exception&) {
    // Only a hint: the items still go in one by one.
  }
}

int PhraseTree::addItem(int parent, std::string_view text) {
  if (!names(parent)) parent = -1;
  const int position = parent < 0 ? itemCount() : parent + node(parent).descendants + 1;
  const bool append = position == itemCount();
  const ItemId id = nextId_++;
  // Built in place from values in registers: a node filled in field by field
  // on the stack and then copied costs a stalled load per item when loading.
  const TextSlice slice = storeText(text);
  if (append) {
    nodes_.emplace_back(slice.at, slice.length, parent, id);
  } else {
    nodes_.emplace(nodes_.begin() + position, slice.at, slice.length, parent, id);
  }
  adjustDescendants(parent, +1);
  if (append) {
    // The newest id is the largest: byId_ stays sorted.
    if (!idsAscend_ && byIdValid_) byId_.emplace_back(id, position);
  } else {
    for (std::size_t at = static_cast<std::size_t>(position) + 1; at < nodes_.size(); ++at) {
      if (nodes_[at].parent >= position) ++nodes_[at].parent;
    }
    if (current_ >= position) ++current_;
    idsAscend_ = false;
    byIdValid_ = false;
  }
  if (observer_) observer_->itemInserted(position);
  return position;
}

int PhraseTree::removeItem(int index) {
  if (!names(index)) return 0;
  const Node& item = node(index);
  const int count = item.descendants + 1;
  const int end = index + count;
  const int parent = item.parent;

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
  if (parent >= 0 && node(parent).descendants == 0) node(parent).expanded = false;
  for (int at = index; at < end; ++at) textBytes_ -= node(at).textLength;
  nodes_.erase(nodes_.begin() + index, nodes_.begin() + end);
  for (std::size_t at = static_cast<std::size_t>(index); at < nodes_.size(); ++at) {
    if (nodes_[at].parent >= end) nodes_[at].parent -= count;
  }
  if (nodes_.empty()) {
    texts_.clear();
    adopted_ = std::string();
  } else {
    compactTexts();
  }
  byIdValid_ = false;

  current_ = newCurrent;
  if (currentGoes) {
    if (observer_) observer_->currentItemSet(current_);
    if (current_ >= 0) raiseCurrentChanged(ChangeCause::other);
  }
  return 1;
}

void PhraseTree::clear() {
  // The items and the own texts keep their room: a reload usually brings as
  // much back.
  nodes_.clear();
  texts_.clear();
  adopted_ = std::string();
  textBytes_ = 0;
  current_ = -1;
  idsAscend_ = true;
  byId_.clear();
  byIdValid_ = false;
  if (observer_) observer_->cleared();
}

void PhraseTree::expandItem(int index) {
  if (!names(index)) return;
  Node& item = node(index);
  if (item.descendants == 0 || item.expanded) return;
  item.expanded = true;
  if (observer_) observer_->itemExpansionChanged(index);
}

void PhraseTree::collapseItem(int index) {
  if (!names(index)) return;
  Node& item = node(index);
  if (!item.expanded) return;
  item.expanded = false;
  if (observer_) observer_->itemExpansionChanged(index);
}

void PhraseTree::setItemText(int index, std::string_view text) {
  if (!names(index)) return;
  Node& item = node(index);
  textBytes_ -= item.textLength;
  const TextSlice slice = storeText(text);
  item.textAt = slice.at;
  item.textLength = slice.length;
  compactTexts();
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
    for (int at = node(index).parent; at >= 0; at = node(at).parent) ancestors.push_back(at);
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

ItemId PhraseTree::idAt(int index) const { return names(index) ? node(index).id : 0; }

int PhraseTree::indexOf(ItemId id) const {
  if (id == 0) return -1;
  if (!idsAscend_ && !byIdValid_) {
    // Removals may have taken every item that was out of order.
    const auto ascending = [](const Node& a, const Node& b) { return a.id < b.id; };
    if (std::is_sorted(nodes_.begin(), nodes_.end(), ascending)) {
      idsAscend_ = true;
      byId_.clear();
    } else {
      byId_.clear();
      byId_.reserve(nodes_.size());
      for (std::size_t at = 0; at < nodes_.size(); ++at) {
        byId_.emplace_back(nodes_[at].id, static_cast<int>(at));
      }
      std::sort(byId_.begin(), byId_.end());
      byIdValid_ = true;
    }
  }
  if (idsAscend_) {
    const auto found = std::lower_bound(nodes_.begin(), nodes_.end(), id,
                                        [](const Node& item, ItemId sought) { return item.id < sought; });
    return found != nodes_.end() && found->id == id ? static_cast<int>(found - nodes_.begin()) : -1;
  }
  const auto found = std::lower_bound(byId_.begin(), byId_.end(), std::make_pair(id, 0));
  return found != byId_.end() && found->first == id ? found->second : -1;
}

PhraseTree::BulkChange::BulkChange(PhraseTree& tree) : tree_(tree) {
  if (tree_.observer_) tree_.observer_->bulkChangeBegin();
}

PhraseTree::BulkChange::~BulkChange() {
  if (tree_.observer_) tree_.observer_->bulkChangeEnd();
}

}  // namespace moravel
