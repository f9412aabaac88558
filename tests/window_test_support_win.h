#pragma once
// Helpers of the in-process window tests: running the thread's messages the
// way the program's loop does, reading a tree view control item by item, and
// a folder of the test's own.

#include <windows.h>
// After windows.h.
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "library/phrase_tree.h"
#include "text/codepage_win.h"

namespace moravel::testing {

// Runs every message waiting for this thread, through `handle` (the program's
// own pre-translation and dispatch) or plain dispatch. A quit request left by
// a destroyed main window is dropped.
template <class Handle>
void pumpWith(Handle handle) {
  // A few rounds: handling a message often posts the next one.
  for (int round = 0; round < 4; ++round) {
    MSG message;
    bool any = false;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      any = true;
      if (message.message == WM_QUIT) continue;
      handle(message);
    }
    if (!any) Sleep(1);
  }
}

inline void pump() {
  pumpWith([](MSG& message) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  });
}

// One item of a tree view control as the control holds it.
struct ControlItem {
  std::string text;  // GBK
  int parent;        // position of the parent in the walk, -1 at top level
  bool hasChildren;
  bool expanded;
  LPARAM data;
  HTREEITEM handle;
};

inline std::string controlItemText(HWND tree, HTREEITEM item) {
  std::wstring buffer(1024, L'\0');
  TVITEMW info{};
  info.mask = TVIF_HANDLE | TVIF_TEXT;
  info.hItem = item;
  info.pszText = buffer.data();
  info.cchTextMax = static_cast<int>(buffer.size());
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&info));
  buffer.resize(wcslen(buffer.c_str()));
  return text::fromWide(buffer);
}

// Every item of the control in pre-order, hidden ones included.
inline std::vector<ControlItem> controlItems(HWND tree) {
  std::vector<ControlItem> items;
  struct Walker {
    HWND tree;
    std::vector<ControlItem>& items;
    void walk(HTREEITEM first, int parent) {
      for (HTREEITEM item = first; item;
           item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT,
                                                           reinterpret_cast<LPARAM>(item)))) {
        TVITEMW info{};
        info.mask = TVIF_HANDLE | TVIF_PARAM | TVIF_STATE | TVIF_CHILDREN;
        info.stateMask = TVIS_EXPANDED;
        info.hItem = item;
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&info));
        const auto child = reinterpret_cast<HTREEITEM>(
            SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
        const int at = static_cast<int>(items.size());
        items.push_back(ControlItem{controlItemText(tree, item), parent, child != nullptr,
                                    (info.state & TVIS_EXPANDED) != 0, info.lParam, item});
        walk(child, at);
      }
    }
  } walker{tree, items};
  walker.walk(reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)), -1);
  return items;
}

inline HTREEITEM controlSelection(HWND tree) {
  return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

// The control shows exactly the model: the same items in the same order and
// places, the same texts, the same expansion of every item that has children,
// the same current item.
inline void expectControlShowsModel(HWND tree, const PhraseTree& model) {
  const std::vector<ControlItem> items = controlItems(tree);
  ASSERT_EQ(static_cast<int>(items.size()), model.itemCount());
  EXPECT_EQ(static_cast<int>(SendMessageW(tree, TVM_GETCOUNT, 0, 0)), model.itemCount());
  for (int i = 0; i < model.itemCount(); ++i) {
    SCOPED_TRACE("item " + std::to_string(i));
    const ControlItem& item = items[static_cast<size_t>(i)];
    EXPECT_EQ(item.text, model.itemText(i));
    EXPECT_EQ(item.parent, model.parentOf(i));
    EXPECT_EQ(item.hasChildren, model.hasChildren(i) == 1);
    if (item.hasChildren) {
      EXPECT_EQ(item.expanded, model.isExpanded(i));
    }
    EXPECT_EQ(static_cast<ItemId>(item.data), model.idAt(i));
  }
  const HTREEITEM selected = controlSelection(tree);
  const int current = model.currentItem();
  if (current < 0) {
    EXPECT_EQ(selected, nullptr);
  } else {
    ASSERT_LT(current, static_cast<int>(items.size()));
    EXPECT_EQ(selected, items[static_cast<size_t>(current)].handle);
  }
}

// The client point in the middle of an item's text.
inline POINT itemPoint(HWND tree, HTREEITEM item) {
  // The message takes the item in the rectangle's first bytes.
  RECT box{};
  std::memcpy(&box, &item, sizeof item);
  SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&box));
  return POINT{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
}

inline LPARAM pointParam(POINT point) { return MAKELPARAM(point.x, point.y); }

class TempFolder {
 public:
  TempFolder() {
    static int counter = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("moravel-window-" + std::to_string(GetCurrentProcessId()) + "-" +
             std::to_string(++counter));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline std::string readBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary);
  out << bytes;
}

inline std::filesystem::path testData(const char* name) {
  return std::filesystem::path(MORAVEL_TEST_DATA) / name;
}

}  // namespace moravel::testing
