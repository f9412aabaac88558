#pragma once
// Ids of the main window's commands and controls, in one place. They start
// well above the dialog ids Windows reserves (IDOK = 1 ... IDCONTINUE = 11) and
// the system menu's SC_* values, so a WM_COMMAND is never mistaken for one.

namespace moravel {

enum class Command : int {
  first = 1000,
  // The push buttons send their command when clicked.
  findNext = first,  // "查找"
  saveLibrary,       // "保存"
  loadLibrary,       // "刷新"
  // The context menu, in the order it shows its items.
  toggleExpandAll,  // "全部收缩/展开"
  editLabel,        // "修改内容"
  addCategory,      // "添加目录"
  addPhrase,        // "添加子项"
  deleteItem,       // "删除当前选中"
  showAbout,        // "关于作者"
  last = showAbout,
};

// Controls that send no command of their own.
enum class ControlId : int {
  tree = 1100,     // 树型框1
  keyword = 1101,  // 编辑框1
  label = 1102,    // 透明标签1
  statusBar = 1103 // 状态条1
};

constexpr int toId(Command command) { return static_cast<int>(command); }
constexpr int toId(ControlId control) { return static_cast<int>(control); }
constexpr bool isCommandId(int id) {
  return id >= toId(Command::first) && id <= toId(Command::last);
}

}  // namespace moravel
