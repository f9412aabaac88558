// The main window in-process under Wine: its layout, start-up with and without
// a library, the expand/collapse-all toggle, the status line, the keys that
// close it (and those that do not), and the save on every close.

#include "app/main_window_win.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/control_look_win.h"
#include "app/product.h"
#include "app/startup.h"
#include "window_test_support_win.h"

namespace moravel {
namespace {

using testing::expectControlShowsModel;
using testing::itemPoint;
using testing::pointParam;
using testing::readBytes;
using testing::testData;
using testing::writeBytes;

const std::vector<std::string> kDemoTexts = {
    "示范标题1",   "示范子标题1", "示范子标题2", "示范子标题3", "示范子标题4", "示范子标题5",
    "示范子标题6", "示范子标题7", "示范子标题8", "示范子标题9", "示范子标题10", "示范标题2",
    "示范子标题1", "示范子标题2", "示范子标题3", "示范子标题4", "示范子标题5", "示范子标题6",
    "示范子标题7", "示范子标题8", "示范子标题9", "示范子标题10",
};

std::vector<std::string> texts(const PhraseTree& tree) {
  std::vector<std::string> out;
  for (int i = 0; i < tree.itemCount(); ++i) out.emplace_back(tree.itemText(i));
  return out;
}

std::vector<int> expandedItems(const PhraseTree& tree) {
  std::vector<int> out;
  for (int i = 0; i < tree.itemCount(); ++i) {
    if (tree.isExpanded(i)) out.push_back(i);
  }
  return out;
}

std::wstring windowText(HWND window) {
  std::wstring buffer(512, L'\0');
  buffer.resize(static_cast<size_t>(GetWindowTextW(window, buffer.data(), 512)));
  return buffer;
}

RECT clientRectIn(HWND parent, HWND child) {
  RECT box;
  GetWindowRect(child, &box);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&box), 2);
  return box;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void TearDown() override {
    window_.reset();
    pump();
  }

  void start() {
    window_ = std::make_unique<MainWindow>([this] { return file(); });
    ASSERT_TRUE(window_->create(GetModuleHandleW(nullptr)));
    pump();
  }

  // The program's message loop, one round.
  void pump() {
    testing::pumpWith([this](MSG& message) {
      if (window_) {
        window_->processMessage(message);
      } else {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    });
  }

  void postKey(HWND target, WPARAM key) {
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
    pump();
  }

  // Holds a modifier key down, as far as this thread's key state goes.
  class HeldKey {
   public:
    explicit HeldKey(int key) : key_(key) { set(0x80); }
    ~HeldKey() { set(0); }

   private:
    void set(BYTE state) {
      BYTE keys[256];
      GetKeyboardState(keys);
      keys[key_] = state;
      SetKeyboardState(keys);
    }
    int key_;
  };

  std::filesystem::path file() const { return folder_.path() / "call.ini"; }
  HWND control(ControlId id) const { return window_->control(id); }
  HWND control(Command id) const { return window_->control(id); }
  bool closed() const { return window_->hwnd() == nullptr; }

  testing::TempFolder folder_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, AFirstStartShowsTheDemonstrationWithEverythingExpanded) {
  start();
  const PhraseTree& tree = window_->tree();
  EXPECT_EQ(texts(tree), kDemoTexts);
  EXPECT_EQ(expandedItems(tree), (std::vector<int>{0, 11}));
  EXPECT_EQ(tree.tag(), kTagExpanded);
  expectControlShowsModel(control(ControlId::tree), tree);
  EXPECT_EQ(window_->statusText(0), kStatusCaption);
  EXPECT_EQ(window_->statusText(1), "");
  // Nothing is written before the first save.
  EXPECT_FALSE(std::filesystem::exists(file()));
}

TEST_F(MainWindowTest, TheWindowAndItsControlsAreWhereTheyBelong) {
  start();
  const HWND window = window_->hwnd();
  RECT outer;
  GetWindowRect(window, &outer);
  EXPECT_EQ(outer.right - outer.left, 560);
  EXPECT_EQ(outer.bottom - outer.top, 599);
  EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - 560) / 2);
  EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - 599) / 2);
  EXPECT_EQ(windowText(window), text::toWide(windowTitle()));
  EXPECT_EQ(windowText(window), L"Moravel   QQ:800012345  1.0版");

  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  for (LONG_PTR wanted : {WS_CAPTION, WS_SYSMENU, WS_MINIMIZEBOX, WS_CLIPCHILDREN, WS_VISIBLE}) {
    EXPECT_EQ(style & wanted, wanted);
  }
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
  EXPECT_EQ(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);
  EXPECT_EQ(GetMenu(window), nullptr);

  struct Expected {
    int id;
    const wchar_t* windowClass;
    const char* text;
    RECT box;
    LONG_PTR style;
  };
  const LONG_PTR button = WS_TABSTOP | BS_CENTER | BS_VCENTER;
  const Expected controls[] = {
      {toId(ControlId::tree), L"SysTreeView32", "", {0, 0, 552, 488},
       WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_EDITLABELS |
           TVS_SHOWSELALWAYS},
      {toId(ControlId::label), L"Static", "关键字查找：", {8, 500, 80, 532}, 0},
      {toId(ControlId::keyword), L"Edit", "", {88, 502, 216, 529}, WS_TABSTOP},
      {toId(Command::findNext), L"Button", "查找", {224, 502, 298, 530}, button},
      {toId(Command::saveLibrary), L"Button", "保存", {371, 501, 451, 531}, button},
      {toId(Command::loadLibrary), L"Button", "刷新", {467, 501, 547, 531}, button},
  };
  for (const Expected& expected : controls) {
    SCOPED_TRACE(expected.text);
    const HWND child = GetDlgItem(window, expected.id);
    ASSERT_NE(child, nullptr);
    wchar_t className[64] = {};
    GetClassNameW(child, className, 64);
    EXPECT_STREQ(className, expected.windowClass);
    EXPECT_EQ(text::fromWide(windowText(child)), expected.text);
    const RECT box = clientRectIn(window, child);
    EXPECT_EQ(box.left, expected.box.left);
    EXPECT_EQ(box.top, expected.box.top);
    EXPECT_EQ(box.right, expected.box.right);
    EXPECT_EQ(box.bottom, expected.box.bottom);
    const LONG_PTR childStyle = GetWindowLongPtrW(child, GWL_STYLE);
    EXPECT_EQ(childStyle & expected.style, expected.style);
    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_TRUE(IsWindowEnabled(child));
    if (std::wstring(expected.windowClass) == L"Button") {
      EXPECT_NE(childStyle & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    }
  }
  EXPECT_EQ(GetWindowLongPtrW(control(ControlId::label), GWL_STYLE) & WS_TABSTOP, 0);
  EXPECT_NE(GetWindowLongPtrW(control(ControlId::tree), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);

  // The tree's font: 12 pixels, normal weight, GB2312.
  LOGFONTW font{};
  const auto treeFont = reinterpret_cast<HFONT>(SendMessageW(control(ControlId::tree), WM_GETFONT, 0, 0));
  ASSERT_NE(treeFont, nullptr);
  GetObjectW(treeFont, sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -12);
  EXPECT_EQ(font.lfWeight, FW_NORMAL);
  EXPECT_EQ(font.lfCharSet, GB2312_CHARSET);

  // The other controls' font names a face with Chinese glyphs, so that Wine
  // or an English Windows cannot fall back to one without them.
  for (HWND text : {control(ControlId::label), control(ControlId::keyword),
                    control(Command::findNext), control(ControlId::statusBar)}) {
    const auto guiFont = reinterpret_cast<HFONT>(SendMessageW(text, WM_GETFONT, 0, 0));
    ASSERT_NE(guiFont, nullptr);
    LOGFONTW gui{};
    GetObjectW(guiFont, sizeof gui, &gui);
    EXPECT_EQ(gui.lfCharSet, GB2312_CHARSET);
    EXPECT_EQ(std::wstring(gui.lfFaceName), chineseFaceName());
  }
  EXPECT_FALSE(chineseFaceName().empty());
  RecordProperty("chinese_face", text::fromWide(chineseFaceName()));

  // The status bar lies along the whole bottom edge, with two panes.
  const HWND statusBar = control(ControlId::statusBar);
  RECT client;
  GetClientRect(window, &client);
  const RECT bar = clientRectIn(window, statusBar);
  EXPECT_EQ(bar.left, 0);
  EXPECT_EQ(bar.right, client.right);
  EXPECT_EQ(bar.bottom, client.bottom);
  EXPECT_EQ(GetWindowLongPtrW(statusBar, GWL_STYLE) & SBARS_SIZEGRIP, 0);
  int edges[4] = {};
  EXPECT_EQ(SendMessageW(statusBar, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 2);
  EXPECT_EQ(edges[0], 70);
  EXPECT_EQ(edges[1], -1);

  // The icon: 48 x 48 in 32-bit colour, large and small.
  for (WPARAM which : {ICON_BIG, ICON_SMALL}) {
    const auto icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, which, 0));
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP picture{};
    GetObjectW(info.hbmColor, sizeof picture, &picture);
    EXPECT_EQ(picture.bmWidth, 48);
    EXPECT_EQ(picture.bmHeight, 48);
    EXPECT_EQ(picture.bmBitsPixel, 32);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
  }

  // The context menu's six items, in order.
  const HMENU menu = window_->contextMenu();
  ASSERT_NE(menu, nullptr);
  const std::pair<Command, const char*> items[] = {
      {Command::toggleExpandAll, "全部收缩/展开"}, {Command::editLabel, "修改内容"},
      {Command::addCategory, "添加目录"},          {Command::addPhrase, "添加子项"},
      {Command::deleteItem, "删除当前选中"},       {Command::showAbout, "关于作者"},
  };
  ASSERT_EQ(GetMenuItemCount(menu), 6);
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(static_cast<int>(GetMenuItemID(menu, i)), toId(items[i].first));
    wchar_t label[64] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), label, 64, MF_BYPOSITION);
    EXPECT_EQ(text::fromWide(label), items[i].second);
    EXPECT_EQ(GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) &
                  (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_SEPARATOR),
              0u);
  }

  // The program draws its buttons and edit box; the tree and status bar are
  // the system's.
  for (Command id : {Command::findNext, Command::saveLibrary, Command::loadLibrary}) {
    EXPECT_TRUE(isTakenOver(control(id)));
  }
  EXPECT_TRUE(isTakenOver(control(ControlId::keyword)));
  EXPECT_FALSE(isTakenOver(control(ControlId::tree)));
  EXPECT_FALSE(isTakenOver(control(ControlId::statusBar)));
}

TEST_F(MainWindowTest, TheMenusToggleCollapsesThenExpandsEverything) {
  start();
  const HWND tree = control(ControlId::tree);
  // As the context menu delivers its choice.
  SendMessageW(window_->hwnd(), WM_COMMAND, MAKEWPARAM(toId(Command::toggleExpandAll), 0), 0);
  EXPECT_TRUE(expandedItems(window_->tree()).empty());
  EXPECT_EQ(window_->tree().tag(), kTagCollapsed);
  expectControlShowsModel(tree, window_->tree());
  SendMessageW(window_->hwnd(), WM_COMMAND, MAKEWPARAM(toId(Command::toggleExpandAll), 0), 0);
  EXPECT_EQ(expandedItems(window_->tree()), (std::vector<int>{0, 11}));
  EXPECT_EQ(window_->tree().tag(), kTagExpanded);
  expectControlShowsModel(tree, window_->tree());
}

TEST_F(MainWindowTest, StatusTextGoesOnlyToTheTwoPanes) {
  start();
  window_->setStatusText(-1, "nowhere");
  window_->setStatusText(2, "nowhere");
  EXPECT_EQ(window_->statusText(0), kStatusCaption);
  EXPECT_EQ(window_->statusText(1), "");
  window_->setStatusText(1, "发送成功");
  EXPECT_EQ(window_->statusText(1), "发送成功");
  window_->setStatusText(0, "换掉");
  EXPECT_EQ(window_->statusText(0), "换掉");
  EXPECT_EQ(window_->statusText(1), "发送成功");
}

TEST_F(MainWindowTest, APlainEscClosesFromEveryControlAndTheLibraryIsSaved) {
  const std::string demo = readBytes(testData("demonstration_library.ini"));
  ASSERT_EQ(demo.size(), 340u);
  struct Target {
    const char* name;
    std::function<HWND(MainWindow&)> window;
  };
  const Target targets[] = {
      {"window", [](MainWindow& w) { return w.hwnd(); }},
      {"tree", [](MainWindow& w) { return w.control(ControlId::tree); }},
      {"keyword box", [](MainWindow& w) { return w.control(ControlId::keyword); }},
      {"find button", [](MainWindow& w) { return w.control(Command::findNext); }},
      {"save button", [](MainWindow& w) { return w.control(Command::saveLibrary); }},
      {"refresh button", [](MainWindow& w) { return w.control(Command::loadLibrary); }},
  };
  for (const Target& target : targets) {
    SCOPED_TRACE(target.name);
    std::filesystem::remove(file());
    start();
    const HWND to = target.window(*window_);
    SetFocus(to);
    postKey(to, VK_ESCAPE);
    EXPECT_TRUE(closed());
    EXPECT_EQ(readBytes(file()), demo);
  }
}

TEST_F(MainWindowTest, EscWithCtrlShiftOrAltDoesNotClose) {
  start();
  const HWND tree = control(ControlId::tree);
  for (int modifier : {VK_SHIFT, VK_CONTROL}) {
    SCOPED_TRACE(modifier);
    HeldKey held(modifier);
    postKey(tree, VK_ESCAPE);
    EXPECT_FALSE(closed());
  }
  {
    HeldKey held(VK_MENU);
    PostMessageW(tree, WM_SYSKEYDOWN, VK_ESCAPE, 0x20000001);
    PostMessageW(tree, WM_SYSKEYUP, VK_ESCAPE, 0xE0000001);
    pump();
    EXPECT_FALSE(closed());
  }
  EXPECT_FALSE(std::filesystem::exists(file()));
  postKey(tree, VK_ESCAPE);
  EXPECT_TRUE(closed());
}

TEST_F(MainWindowTest, EscInTheLabelEditorClosesAndTheEditIsKept) {
  start();
  window_->tree().beginLabelEdit(1);
  const HWND edit =
      reinterpret_cast<HWND>(SendMessageW(control(ControlId::tree), TVM_GETEDITCONTROL, 0, 0));
  ASSERT_NE(edit, nullptr);
  SetWindowTextW(edit, text::toWide("改好的").c_str());
  postKey(edit, VK_ESCAPE);
  EXPECT_TRUE(closed());
  EXPECT_NE(readBytes(file()).find("\r\n2=改好的\r\n"), std::string::npos);
}

TEST_F(MainWindowTest, TabMovesThroughTheControlsAndEnterMovesNothing) {
  start();
  const HWND order[] = {control(ControlId::tree), control(ControlId::keyword),
                        control(Command::findNext), control(Command::saveLibrary),
                        control(Command::loadLibrary), control(ControlId::tree)};
  SetFocus(order[0]);
  pump();
  for (size_t i = 1; i < std::size(order); ++i) {
    SCOPED_TRACE(i);
    postKey(GetFocus(), VK_TAB);
    EXPECT_EQ(GetFocus(), order[i]);
  }
  SetFocus(control(ControlId::keyword));
  postKey(control(ControlId::keyword), VK_RETURN);
  EXPECT_EQ(GetFocus(), control(ControlId::keyword));
  EXPECT_FALSE(closed());

  // The label editor keeps its Enter: it ends the edit, which is taken.
  window_->tree().beginLabelEdit(0);
  const HWND edit =
      reinterpret_cast<HWND>(SendMessageW(control(ControlId::tree), TVM_GETEDITCONTROL, 0, 0));
  ASSERT_NE(edit, nullptr);
  SetWindowTextW(edit, text::toWide("新标题").c_str());
  postKey(edit, VK_RETURN);
  EXPECT_EQ(SendMessageW(control(ControlId::tree), TVM_GETEDITCONTROL, 0, 0), 0);
  EXPECT_EQ(window_->tree().itemText(0), "新标题");
  EXPECT_FALSE(closed());
}

TEST_F(MainWindowTest, TheRightButtonReachesItsHandlerBeforeTheTree) {
  start();
  window_->tree().setCurrentItem(0);
  std::vector<int> currentAtPress;
  window_->treeView().setRightButtonPressedHandler(
      [&](int, int, int) { currentAtPress.push_back(window_->tree().currentItem()); });
  const HWND tree = control(ControlId::tree);
  const LPARAM at = pointParam(itemPoint(tree, window_->treeView().handleOf(7)));
  PostMessageW(tree, WM_RBUTTONDOWN, MK_RBUTTON, at);
  PostMessageW(tree, WM_RBUTTONUP, 0, at);
  pump();
  EXPECT_EQ(currentAtPress, (std::vector<int>{0}));
  EXPECT_EQ(window_->tree().currentItem(), 7);
}

TEST_F(MainWindowTest, ALibraryBesideIsShownAndEveryCloseWritesItAgain) {
  const std::string library = "[问候]\r\n2=你好\r\n3=在吗\r\n[告别]\r\n5=再见\r\n";
  writeBytes(file(), library);
  start();
  EXPECT_EQ(texts(window_->tree()),
            (std::vector<std::string>{"问候", "你好", "在吗", "告别", "再见"}));
  EXPECT_EQ(expandedItems(window_->tree()), (std::vector<int>{0, 3}));
  EXPECT_EQ(window_->statusText(1), kStatusLoaded);
  // Nothing changed in the window, yet closing writes the library again.
  writeBytes(file(), "changed behind the program's back");
  SendMessageW(window_->hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(closed());
  EXPECT_EQ(readBytes(file()), library);
}

TEST_F(MainWindowTest, TheEndOfTheSessionSavesLikeAClose) {
  start();
  // Logging off asks first; the program never refuses.
  EXPECT_TRUE(SendMessageW(window_->hwnd(), WM_QUERYENDSESSION, 0, 0));
  SendMessageW(window_->hwnd(), WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(readBytes(file()), readBytes(testData("demonstration_library.ini")));
}

TEST_F(MainWindowTest, ALibraryThatCannotBeReadAtStartIsNotWrittenOverByClosing) {
  const std::string mine = "[我的]\r\n2=别丢了\r\n";
  writeBytes(file(), mine);
  HANDLE held = CreateFileW(file().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  start();
  CloseHandle(held);
  EXPECT_EQ(texts(window_->tree()), kDemoTexts);
  EXPECT_EQ(window_->statusText(1), kStatusReadFailed);
  // Closing would put the demonstration in its place (and a second start and
  // close would then push the library out of the backup too).
  SendMessageW(window_->hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(closed());
  EXPECT_EQ(readBytes(file()), mine);
  EXPECT_FALSE(std::filesystem::exists(folder_.path() / "call.ini.bak"));

  // The next start reads it.
  start();
  EXPECT_EQ(texts(window_->tree()), (std::vector<std::string>{"我的", "别丢了"}));
}

TEST_F(MainWindowTest, AfterAnUnreadableStartAReloadOrAnAskedForSaveMakesClosingSaveAgain) {
  const std::string mine = "[我的]\r\n2=别丢了\r\n";
  for (const Command command : {Command::loadLibrary, Command::saveLibrary}) {
    SCOPED_TRACE(toId(command));
    writeBytes(file(), mine);
    std::filesystem::remove(folder_.path() / "call.ini.bak");
    HANDLE held = CreateFileW(file().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    start();
    CloseHandle(held);
    SendMessageW(control(command), BM_CLICK, 0, 0);
    pump();
    window_->tree().addItem("新加的");
    SendMessageW(window_->hwnd(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(closed());
    const std::string saved = readBytes(file());
    EXPECT_NE(saved.find("[新加的]"), std::string::npos);
    if (command == Command::loadLibrary) {
      EXPECT_NE(saved.find("=别丢了"), std::string::npos);
    } else {
      // The user chose to save what the window shows.
      EXPECT_NE(saved.find("[示范标题1]"), std::string::npos);
    }
  }
}

TEST_F(MainWindowTest, SaveAndRefreshButtons) {
  start();
  SendMessageW(control(Command::saveLibrary), BM_CLICK, 0, 0);
  pump();
  EXPECT_EQ(window_->statusText(1), kStatusSaved);
  EXPECT_EQ(readBytes(file()), readBytes(testData("demonstration_library.ini")));

  writeBytes(file(), "[新的]\r\n2=一\r\n");
  SendMessageW(control(Command::loadLibrary), BM_CLICK, 0, 0);
  pump();
  EXPECT_EQ(window_->statusText(1), kStatusLoaded);
  EXPECT_EQ(texts(window_->tree()), (std::vector<std::string>{"新的", "一"}));
  // A reload shows its categories closed and leaves the toggle's memory alone.
  EXPECT_TRUE(expandedItems(window_->tree()).empty());
  EXPECT_EQ(window_->tree().tag(), kTagExpanded);
  expectControlShowsModel(control(ControlId::tree), window_->tree());
}

TEST_F(MainWindowTest, CommandsRunTheirHandlersAndTheKeywordIsTheEditText) {
  start();
  std::vector<Command> ran;
  for (Command command : {Command::findNext, Command::editLabel, Command::addCategory,
                          Command::addPhrase, Command::deleteItem, Command::showAbout}) {
    window_->setCommandHandler(command, [&ran, command] { ran.push_back(command); });
  }
  SendMessageW(control(Command::findNext), BM_CLICK, 0, 0);
  pump();
  SendMessageW(window_->hwnd(), WM_COMMAND, MAKEWPARAM(toId(Command::deleteItem), 0), 0);
  // A dialog id is not a command of ours.
  SendMessageW(window_->hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
  EXPECT_EQ(ran, (std::vector<Command>{Command::findNext, Command::deleteItem}));

  SetWindowTextW(control(ControlId::keyword), text::toWide("你好 abc").c_str());
  EXPECT_EQ(window_->keyword(), "你好 abc");
}

}  // namespace
}  // namespace moravel
