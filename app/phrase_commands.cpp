#include "app/phrase_commands.h"

#include "text/gbk_text.h"

namespace moravel {

std::string aboutText(std::string_view contactNumber) {
  std::string text(kAboutTextBeforeNumber);
  text += contactNumber;
  return text;
}

void PhraseCommands::findNext() {
  PhraseTree& tree = host_.tree();
  const int count = tree.itemCount();
  if (count == 0) return;
  const std::string keyword = host_.keyword();
  // A position past the end (after a match on the last item, or after items
  // were removed) wraps at once instead of spending a click on nothing.
  const int start = (searchPosition_ >= 0 && searchPosition_ < count) ? searchPosition_ : 0;
  for (int probe = 0; probe < count; ++probe) {
    const int index = (start + probe) % count;
    if (text::find(tree.itemText(index), keyword, 1, false) != -1) {
      searchPosition_ = index + 1;
      tree.setCurrentItem(index);
      return;
    }
  }
}

void PhraseCommands::editLabel() {
  PhraseTree& tree = host_.tree();
  tree.beginLabelEdit(tree.currentItem());
}

void PhraseCommands::addCategory() { host_.tree().addItem(kNewCategoryText); }

void PhraseCommands::addPhrase() {
  PhraseTree& tree = host_.tree();
  const int current = tree.currentItem();
  if (tree.parentOf(current) == -1) tree.addItem(current, kNewPhraseText);
}

void PhraseCommands::deleteItem() {
  PhraseTree& tree = host_.tree();
  tree.removeItem(tree.currentItem());
}

void PhraseCommands::showAbout(std::string_view contactNumber) {
  host_.showAboutBox(kAboutCaption, aboutText(contactNumber));
}

void PhraseCommands::copyAndArm() {
  PhraseTree& tree = host_.tree();
  const int current = tree.currentItem();
  if (current < 0) return;
  if (!host_.copyToClipboard(tree.itemText(current))) {
    host_.setStatusText(1, kStatusCopyFailed);
    return;
  }
  host_.setStatusText(1, kStatusCopied);
  host_.armQuickSend();
}

void PhraseCommands::showContextMenu() { host_.popUpContextMenu(); }

}  // namespace moravel
