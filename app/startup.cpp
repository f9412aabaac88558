#include "app/startup.h"

#include <string>

#include "text/gbk_text.h"

namespace moravel {

void seedDemoLibrary(PhraseTree& tree) {
  PhraseTree::BulkChange bulk(tree);
  for (int i = 1; i <= 2; ++i) {
    const int category = tree.addItem(std::string(kDemoCategoryText) + text::fromNumber(i));
    for (int j = 1; j <= 10; ++j) {
      tree.addItem(category, std::string(kDemoPhraseText) + text::fromNumber(j));
    }
  }
}

void toggleExpandAll(PhraseTree& tree) {
  const std::string tag = tree.tag();
  const bool expand = tag == kTagCollapsed;
  if (!expand && tag != kTagExpanded) return;
  {
    PhraseTree::BulkChange bulk(tree);
    const int n = tree.itemCount();
    for (int i = 0; i < n; ++i) {
      if (expand) {
        tree.expandItem(i);
      } else {
        tree.collapseItem(i);
      }
    }
  }
  tree.setTag(expand ? kTagExpanded : kTagCollapsed);
}

void onCreated(StartupHost& host) {
  host.setControlLook(kControlLookScheme);
  PhraseTree& tree = host.tree();
  tree.setTag(kTagCollapsed);
  // One bulk change around loading and opening everything: a view fills
  // itself once, with every category already open.
  PhraseTree::BulkChange bulk(tree);
  host.loadLibrary();
  if (tree.itemCount() == 0) seedDemoLibrary(tree);
  toggleExpandAll(tree);
}

void onDestroying(StartupHost& host) { host.saveLibrary(); }

}  // namespace moravel
