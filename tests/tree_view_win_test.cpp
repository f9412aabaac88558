// The tree view binding, in-process under Wine with a real SysTreeView32: every
// change of the model reaches the control, and every change the user makes in
// the control (clicks, keys, a finished label edit, a right-button press)
// reaches the model, so the two never disagree.

#include "library/tree_view_win.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/startup.h"
#include "window_test_support_win.h"

namespace moravel {
namespace {

using testing::controlItems;
using testing::controlSelection;
using testing::expectControlShowsModel;
using testing::itemPoint;
using testing::pointParam;

constexpr wchar_t kHostClass[] = L"MoravelTreeTestHost";
constexpr DWORD kTreeStyles = WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES |
                              TVS_LINESATROOT | TVS_EDITLABELS | TVS_SHOWSELALWAYS;

// A plain window holding the control and handing its notifications to the
// binding, as the main window does.
class TreeViewTest : public ::testing::Test {
 protected:
  // One holder window for all tests: destroying a top-level window costs
  // Wine seconds on a bare X server, destroying a child costs nothing.
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = hostProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kHostClass;
    RegisterClassExW(&windowClass);
    host_ = CreateWindowExW(0, kHostClass, L"tree test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                            420, 700, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    testing::pump();
  }

  static void TearDownTestSuite() {
    if (host_) DestroyWindow(host_);
    host_ = nullptr;
    testing::pump();
  }

  void SetUp() override {
    ASSERT_NE(host_, nullptr);
    control_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"", kTreeStyles, 0, 0, 400, 640,
                               host_, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(control_, nullptr);
    attach();
    tree_.setCurrentItemChangedHandler(
        [this](ChangeCause cause) { causes_.push_back(static_cast<int>(cause)); });
    testing::pump();
  }

  void TearDown() override {
    active_ = nullptr;
    binding_.reset();
    if (control_) DestroyWindow(control_);
    testing::pump();
  }

  void attach() {
    binding_ = std::make_unique<TreeViewBinding>(tree_, control_);
    binding_->setItemDoubleClickedHandler([this] { ++doubleClicks_; });
    binding_->setRightButtonPressedHandler([this](int x, int y, int keys) {
      rightPresses_.push_back({x, y, keys, tree_.currentItem()});
    });
    active_ = this;
  }

  // The program's loop: a right-button press in the tree reaches the binding
  // before it is dispatched.
  void pumpLikeTheProgram() {
    testing::pumpWith([this](MSG& message) {
      if ((message.message == WM_RBUTTONDOWN || message.message == WM_RBUTTONDBLCLK) &&
          message.hwnd == control_) {
        binding_->rightButtonPressed(message.lParam);
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    });
  }

  // The tree has the keyboard and a current item, and no notification so far
  // is counted.
  void focusTree() {
    SetFocus(control_);
    testing::pump();
    causes_.clear();
  }

  void expandedDemo() {
    seedDemoLibrary(tree_);
    tree_.setTag(kTagCollapsed);
    toggleExpandAll(tree_);
    testing::pump();
  }

  HTREEITEM handle(int index) const { return binding_->handleOf(index); }

  void click(int index) {
    const LPARAM at = pointParam(itemPoint(control_, handle(index)));
    PostMessageW(control_, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(control_, WM_LBUTTONUP, 0, at);
    pumpLikeTheProgram();
  }

  void key(WPARAM virtualKey, HWND target = nullptr) {
    PostMessageW(target ? target : control_, WM_KEYDOWN, virtualKey, 1);
    PostMessageW(target ? target : control_, WM_KEYUP, virtualKey, 0xC0000001);
    pumpLikeTheProgram();
  }

  static LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY && active_ && active_->binding_) {
      LRESULT result = 0;
      if (active_->binding_->handleNotify(*reinterpret_cast<NMHDR*>(lParam), result)) {
        return result;
      }
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  struct RightPress {
    int x, y, keys, currentAtPress;
  };

  static inline TreeViewTest* active_ = nullptr;
  static inline HWND host_ = nullptr;
  HWND control_ = nullptr;
  PhraseTree tree_;
  std::unique_ptr<TreeViewBinding> binding_;
  std::vector<int> causes_;
  int doubleClicks_ = 0;
  std::vector<RightPress> rightPresses_;
};

// Appends 0 一 (1 一之一 (2 一之一之一), 3 一之二), 4 二 (5 二之一) to an empty
// tree: the model allows a third level, though no command makes one.
void addThreeLevels(PhraseTree& tree) {
  const int first = tree.addItem("一");
  const int phrase = tree.addItem(first, "一之一");
  tree.addItem(phrase, "一之一之一");
  tree.addItem(first, "一之二");
  const int second = tree.addItem("二");
  tree.addItem(second, "二之一");
}

TEST_F(TreeViewTest, EveryModelOperationReachesTheControl) {
  struct Step {
    const char* name;
    std::function<void(PhraseTree&)> run;
  };
  const Step steps[] = {
      {"seed", [](PhraseTree& t) { seedDemoLibrary(t); }},
      {"append a category", [](PhraseTree& t) { t.addItem("新目录"); }},
      {"insert a phrase in the middle", [](PhraseTree& t) { t.addItem(0, "中间插入"); }},
      {"phrase under the appended category", [](PhraseTree& t) { t.addItem(23, "子项"); }},
      {"change a text", [](PhraseTree& t) { t.setItemText(3, "改过的"); }},
      {"empty and long texts",
       [](PhraseTree& t) {
         t.setItemText(4, "");
         t.setItemText(5, std::string(300, 'x') + "尾");
       }},
      {"expand all",
       [](PhraseTree& t) {
         t.setTag(kTagCollapsed);
         toggleExpandAll(t);
       }},
      {"collapse one", [](PhraseTree& t) { t.collapseItem(12); }},
      {"make a hidden phrase current", [](PhraseTree& t) { t.setCurrentItem(15); }},
      {"remove a phrase before the current one", [](PhraseTree& t) { t.removeItem(13); }},
      {"remove the current phrase", [](PhraseTree& t) { t.removeItem(t.currentItem()); }},
      {"remove the category holding the current item",
       [](PhraseTree& t) {
         t.setCurrentItem(2);
         t.removeItem(0);
       }},
      {"empty an open category, then give it a phrase again",
       [](PhraseTree& t) {
         while (t.hasChildren(0)) t.removeItem(1);
         t.addItem(0, "重新加入");
       }},
      {"no current item", [](PhraseTree& t) { t.setCurrentItem(-1); }},
      {"collapse all",
       [](PhraseTree& t) {
         t.setTag(kTagExpanded);
         toggleExpandAll(t);
       }},
      {"clear", [](PhraseTree& t) { t.clear(); }},
      {"seed again and expand all",
       [](PhraseTree& t) {
         seedDemoLibrary(t);
         t.setTag(kTagCollapsed);
         toggleExpandAll(t);
         t.setCurrentItem(21);
       }},
      {"in one bulk change: empty an open category and refill it, add a category",
       [](PhraseTree& t) {
         PhraseTree::BulkChange bulk(t);
         while (t.hasChildren(0)) t.removeItem(1);
         t.addItem(0, "回来了");
         t.addItem(0, "又一个");
         const int added = t.addItem("批量目录");
         t.addItem(added, "批量短语");
         t.expandItem(added);
       }},
      {"in one bulk change: clear, then three levels, some open, one current",
       [](PhraseTree& t) {
         PhraseTree::BulkChange bulk(t);
         t.clear();
         addThreeLevels(t);
         t.expandItem(0);
         t.expandItem(1);
         t.setCurrentItem(5);
         t.removeItem(3);
         t.setItemText(0, "一（改）");
       }},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    step.run(tree_);
    testing::pump();
    expectControlShowsModel(control_, tree_);
  }
}

TEST_F(TreeViewTest, ABindingShowsWhatTheTreeHoldsAlready) {
  binding_.reset();
  seedDemoLibrary(tree_);
  tree_.expandItem(11);
  tree_.setCurrentItem(14);
  HWND second = CreateWindowExW(0, WC_TREEVIEWW, L"", kTreeStyles, 0, 0, 300, 300, host_, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  binding_ = std::make_unique<TreeViewBinding>(tree_, second);
  expectControlShowsModel(second, tree_);
  binding_.reset();
  DestroyWindow(second);
  attach();
}

TEST_F(TreeViewTest, RemovingTheCurrentItemKeepsBothSidesAgreeing) {
  struct Case {
    const char* name;
    int current;
    int removed;
  };
  const Case cases[] = {
      {"phrase with a next sibling", 3, 3},
      {"last phrase of a category", 10, 10},
      {"category holding the current phrase", 14, 11},
      {"last category", 11, 11},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    tree_.clear();
    expandedDemo();
    tree_.setCurrentItem(c.current);
    testing::pump();
    causes_.clear();
    tree_.removeItem(c.removed);
    testing::pump();
    expectControlShowsModel(control_, tree_);
    // Another item became current: one notification, not a cause of the user.
    if (tree_.currentItem() >= 0) {
      EXPECT_EQ(causes_, (std::vector<int>{2}));
    }
  }
  tree_.clear();
  tree_.addItem("alone");
  tree_.setCurrentItem(0);
  tree_.removeItem(0);
  testing::pump();
  expectControlShowsModel(control_, tree_);
  EXPECT_EQ(tree_.currentItem(), -1);
}

TEST_F(TreeViewTest, AClickSelectsWithCauseMouse) {
  expandedDemo();
  focusTree();
  click(3);
  EXPECT_EQ(tree_.currentItem(), 3);
  EXPECT_EQ(causes_, (std::vector<int>{1}));
  click(14);
  EXPECT_EQ(tree_.currentItem(), 14);
  EXPECT_EQ(causes_, (std::vector<int>{1, 1}));
  expectControlShowsModel(control_, tree_);
}

TEST_F(TreeViewTest, AKeySelectsWithCauseKeyboard) {
  expandedDemo();
  tree_.setCurrentItem(3);
  focusTree();
  key(VK_DOWN);
  EXPECT_EQ(tree_.currentItem(), 4);
  key(VK_HOME);
  EXPECT_EQ(tree_.currentItem(), 0);
  EXPECT_EQ(causes_, (std::vector<int>{0, 0}));
  expectControlShowsModel(control_, tree_);
}

TEST_F(TreeViewTest, SettingTheCurrentItemOpensItsCategoryAndNotifiesOnce) {
  seedDemoLibrary(tree_);
  testing::pump();
  causes_.clear();
  tree_.setCurrentItem(15);
  testing::pump();
  EXPECT_TRUE(tree_.isExpanded(11));
  EXPECT_FALSE(tree_.isExpanded(0));
  EXPECT_EQ(causes_, (std::vector<int>{2}));
  expectControlShowsModel(control_, tree_);
  // The same item again: nothing new.
  tree_.setCurrentItem(15);
  testing::pump();
  EXPECT_EQ(causes_, (std::vector<int>{2}));
}

TEST_F(TreeViewTest, OpeningAndClosingByTheUserReachesTheModel) {
  expandedDemo();
  tree_.setCurrentItem(11);
  focusTree();
  key(VK_LEFT);
  EXPECT_FALSE(tree_.isExpanded(11));
  expectControlShowsModel(control_, tree_);
  key(VK_RIGHT);
  EXPECT_TRUE(tree_.isExpanded(11));
  expectControlShowsModel(control_, tree_);
  EXPECT_TRUE(causes_.empty());
}

TEST_F(TreeViewTest, TheFocusWithoutACurrentItemKeepsBothSidesAgreeing) {
  expandedDemo();
  SetFocus(control_);
  testing::pump();
  expectControlShowsModel(control_, tree_);
}

TEST_F(TreeViewTest, ClosingTheCategoryOfTheCurrentPhraseKeepsBothSidesAgreeing) {
  expandedDemo();
  tree_.setCurrentItem(5);
  testing::pump();
  causes_.clear();
  tree_.collapseItem(0);
  testing::pump();
  expectControlShowsModel(control_, tree_);
  // The control moves its selection to the category; so does the model, and
  // reports it as not the user's doing.
  EXPECT_EQ(tree_.currentItem(), 0);
  EXPECT_EQ(causes_, (std::vector<int>{2}));

  // The same when the user closes it with a click on its button.
  tree_.setCurrentItem(14);
  testing::pump();
  causes_.clear();
  const POINT text = itemPoint(control_, handle(11));
  TVHITTESTINFO hit{};
  for (int x = text.x; x >= 0; --x) {
    hit.pt = POINT{x, text.y};
    SendMessageW(control_, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (hit.flags & TVHT_ONITEMBUTTON) break;
  }
  ASSERT_TRUE(hit.flags & TVHT_ONITEMBUTTON);
  PostMessageW(control_, WM_LBUTTONDOWN, MK_LBUTTON, pointParam(hit.pt));
  PostMessageW(control_, WM_LBUTTONUP, 0, pointParam(hit.pt));
  pumpLikeTheProgram();
  EXPECT_FALSE(tree_.isExpanded(11));
  EXPECT_EQ(tree_.currentItem(), 11);
  expectControlShowsModel(control_, tree_);
}

TEST_F(TreeViewTest, ADoubleClickIsReportedAndStillOpensOrClosesTheItem) {
  expandedDemo();
  focusTree();
  const LPARAM at = pointParam(itemPoint(control_, handle(11)));
  PostMessageW(control_, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(control_, WM_LBUTTONUP, 0, at);
  PostMessageW(control_, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  PostMessageW(control_, WM_LBUTTONUP, 0, at);
  pumpLikeTheProgram();
  EXPECT_EQ(doubleClicks_, 1);
  // The first press made the category current; the double-click closed it.
  EXPECT_EQ(tree_.currentItem(), 11);
  EXPECT_FALSE(tree_.isExpanded(11));
  expectControlShowsModel(control_, tree_);
}

TEST_F(TreeViewTest, TheRightButtonReachesTheHandlerBeforeTheTreeSelects) {
  expandedDemo();
  tree_.setCurrentItem(0);
  focusTree();
  const POINT on = itemPoint(control_, handle(5));
  PostMessageW(control_, WM_RBUTTONDOWN, MK_RBUTTON, pointParam(on));
  PostMessageW(control_, WM_RBUTTONUP, 0, pointParam(on));
  pumpLikeTheProgram();
  ASSERT_EQ(rightPresses_.size(), 1u);
  EXPECT_EQ(rightPresses_[0].x, on.x);
  EXPECT_EQ(rightPresses_[0].y, on.y);
  EXPECT_EQ(rightPresses_[0].keys, 0);
  // The handler ran while the old item was still current ...
  EXPECT_EQ(rightPresses_[0].currentAtPress, 0);
  // ... and then the press made the item under the pointer current.
  EXPECT_EQ(tree_.currentItem(), 5);
  EXPECT_EQ(causes_, (std::vector<int>{1}));
  expectControlShowsModel(control_, tree_);

  // Below the last item: the handler hears of it, nothing else changes.
  RECT client;
  GetClientRect(control_, &client);
  PostMessageW(control_, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, client.bottom - 5));
  PostMessageW(control_, WM_RBUTTONUP, 0, MAKELPARAM(5, client.bottom - 5));
  pumpLikeTheProgram();
  EXPECT_EQ(rightPresses_.size(), 2u);
  EXPECT_EQ(tree_.currentItem(), 5);
  EXPECT_EQ(causes_, (std::vector<int>{1}));
}

TEST_F(TreeViewTest, AFinishedLabelEditIsInTheModelAndACancelledOneIsNot) {
  expandedDemo();
  tree_.beginLabelEdit(2);
  HWND edit = reinterpret_cast<HWND>(SendMessageW(control_, TVM_GETEDITCONTROL, 0, 0));
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(GetFocus(), edit);
  SetWindowTextW(edit, text::toWide("新的文字").c_str());
  key(VK_RETURN, edit);
  EXPECT_EQ(SendMessageW(control_, TVM_GETEDITCONTROL, 0, 0), 0);
  EXPECT_EQ(tree_.itemText(2), "新的文字");
  expectControlShowsModel(control_, tree_);

  tree_.beginLabelEdit(3);
  edit = reinterpret_cast<HWND>(SendMessageW(control_, TVM_GETEDITCONTROL, 0, 0));
  ASSERT_NE(edit, nullptr);
  SetWindowTextW(edit, L"discarded");
  key(VK_ESCAPE, edit);
  EXPECT_EQ(tree_.itemText(3), "示范子标题3");
  expectControlShowsModel(control_, tree_);
}

TEST_F(TreeViewTest, NoEditOpensForAnIndexThatNamesNoItem) {
  expandedDemo();
  tree_.beginLabelEdit(22);
  tree_.beginLabelEdit(-1);
  EXPECT_EQ(SendMessageW(control_, TVM_GETEDITCONTROL, 0, 0), 0);
}

// Records what reaches the control: redraw switches and item insertions.
LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR log) {
  auto& entries = *reinterpret_cast<std::vector<std::string>*>(log);
  if (message == WM_SETREDRAW) entries.push_back(wParam ? "redraw on" : "redraw off");
  if (message == TVM_INSERTITEMW) {
    const auto& insert = *reinterpret_cast<const TVINSERTSTRUCTW*>(lParam);
    const bool open = (insert.item.mask & TVIF_STATE) && (insert.item.state & TVIS_EXPANDED);
    entries.push_back(std::string(insert.hParent == TVI_ROOT ? "insert top" : "insert below") +
                      (open ? " open" : ""));
  }
  if (message == TVM_EXPAND) entries.push_back("expand");
  return DefSubclassProc(window, message, wParam, lParam);
}

TEST_F(TreeViewTest, BulkChangesAreMadeWithRedrawOff) {
  std::vector<std::string> log;
  SetWindowSubclass(control_, recordingProc, 7, reinterpret_cast<DWORD_PTR>(&log));
  seedDemoLibrary(tree_);
  tree_.setTag(kTagCollapsed);
  {
    // Nested brackets: only the outer pair switches.
    PhraseTree::BulkChange outer(tree_);
    toggleExpandAll(tree_);
  }
  RemoveWindowSubclass(control_, recordingProc, 7);

  std::vector<std::string> expected{"redraw off", "insert top", "insert top"};
  expected.insert(expected.end(), 20, "insert below");
  expected.push_back("redraw on");
  expected.push_back("redraw off");
  expected.insert(expected.end(), 2, "expand");
  expected.push_back("redraw on");
  EXPECT_EQ(log, expected);
  testing::pump();
  expectControlShowsModel(control_, tree_);
}

// How many items a user can reach by scrolling: those whose ancestors are
// all open.
int visibleItems(HWND control) {
  int count = 0;
  auto item = reinterpret_cast<HTREEITEM>(SendMessageW(control, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  while (item) {
    ++count;
    item = reinterpret_cast<HTREEITEM>(
        SendMessageW(control, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, reinterpret_cast<LPARAM>(item)));
  }
  return count;
}

TEST_F(TreeViewTest, ALibraryLoadedInOneBulkChangeGoesInParentsFirstAlreadyOpen) {
  std::vector<std::string> log;
  SetWindowSubclass(control_, recordingProc, 7, reinterpret_cast<DWORD_PTR>(&log));
  {
    // As the window starts: load, open everything, all in one bracket.
    PhraseTree::BulkChange bulk(tree_);
    tree_.clear();
    addThreeLevels(tree_);
    tree_.addItem("三");
    tree_.setTag(kTagCollapsed);
    toggleExpandAll(tree_);
    tree_.collapseItem(4);
  }
  RemoveWindowSubclass(control_, recordingProc, 7);

  // Item by item in tree order, then opening each parent, is what some tree
  // views make quadratic; no item is opened afterwards.
  EXPECT_EQ(log, (std::vector<std::string>{"redraw off", "insert top open", "insert top",
                                           "insert top", "insert below open", "insert below",
                                           "insert below", "insert below", "redraw on"}));
  testing::pump();
  expectControlShowsModel(control_, tree_);
  // Opened at insertion, before it had children, an item still shows them.
  EXPECT_EQ(visibleItems(control_), 6);
}

// Whether the item's whole line lies in the control's client area.
bool inView(HWND control, HTREEITEM item) {
  RECT box{};
  std::memcpy(&box, &item, sizeof item);
  if (!SendMessageW(control, TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&box))) return false;
  RECT client{};
  GetClientRect(control, &client);
  return box.top >= client.top && box.bottom <= client.bottom;
}

TEST_F(TreeViewTest, OpeningOrClosingEverythingKeepsTheTopLineAndTheCurrentItemInView) {
  {
    PhraseTree::BulkChange bulk(tree_);
    for (int c = 0; c < 40; ++c) {
      const int category = tree_.addItem("目录" + std::to_string(c));
      for (int p = 0; p < 10; ++p) tree_.addItem(category, "短语" + std::to_string(p));
    }
  }
  tree_.setTag(kTagCollapsed);
  toggleExpandAll(tree_);
  testing::pump();
  const auto firstShown = [this] {
    return reinterpret_cast<HTREEITEM>(SendMessageW(control_, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0));
  };

  // From the top, a category current: everything closed and opened again
  // leaves the view where it was.
  tree_.setCurrentItem(11);
  testing::pump();
  ASSERT_EQ(firstShown(), handle(0));
  toggleExpandAll(tree_);
  testing::pump();
  toggleExpandAll(tree_);
  testing::pump();
  EXPECT_EQ(firstShown(), handle(0));
  EXPECT_TRUE(inView(control_, handle(tree_.currentItem())));
  expectControlShowsModel(control_, tree_);

  // Far down, a phrase current: closing everything takes its category as the
  // current item, and shows it.
  tree_.setCurrentItem(tree_.itemCount() - 1);
  testing::pump();
  toggleExpandAll(tree_);
  testing::pump();
  EXPECT_EQ(tree_.currentItem(), 429);
  EXPECT_TRUE(inView(control_, handle(429)));
  expectControlShowsModel(control_, tree_);
}

}  // namespace
}  // namespace moravel
