#pragma once
// Which windows are chat windows: a table of rules, tried in order, over a few
// questions about the window under the pointer. Each rule names the send it
// starts, so that clients which need another sequence get a row of their own.
//
// The first rules look at the window under the pointer itself. Today's
// clients are built on Qt or Electron, whose window classes every Qt or
// Electron program shares, and the window under the pointer is one of their
// inner windows; their rules look at the root window instead and require the
// name of the program file of its process as well.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "send/send_sequence.h"

namespace moravel {

// The platform's answers about a window, named by the number a LocationText
// carries. Asked inside the mouse hook's call, so each answer must be quick.
class WindowInspector {
 public:
  virtual ~WindowInspector() = default;
  // The window's whole class name (GBK); nothing when the number names no
  // window or the name cannot be read.
  virtual std::optional<std::string> className(std::int32_t window) = 0;
  virtual bool hasParent(std::int32_t window) = 0;
  // The top-level window the window lies in (the window itself when it is
  // one); 0 when the number names no window.
  virtual std::int32_t rootWindow(std::int32_t window) = 0;
  // The full path of the program file of the process that owns the window
  // (GBK); nothing when the process cannot be asked (it runs elevated, it
  // has ended) or the number names no window.
  virtual std::optional<std::string> processImagePath(std::int32_t window) = 0;
};

// Class names are read into a buffer of 50 characters, as the chat clients'
// own tools do, so at most 49 characters take part in a comparison.
inline constexpr std::size_t kClassNameLimit = 49;

// The first kClassNameLimit characters of a class name; a two-byte GBK
// character counts as one, as it is one UTF-16 unit in the system's buffer.
std::string_view limitClassName(std::string_view className);

// Whether a class name fits a pattern in which "*" stands for any run of
// characters, the empty run included ("Qt*QWindowIcon": Qt puts its version
// into its class names). Everything else is compared byte for byte, letter
// case included, and a "*" never takes half of a two-byte character.
bool matchesClassPattern(std::string_view pattern, std::string_view className);

// The file name of a program path: what follows its last "\" or "/" (the
// whole path when it has none). Separators are looked for on character
// boundaries only, as the second byte of a GBK character may be a "\".
std::string_view imageFileName(std::string_view path);

// Program file names compare whole, with A-Z and a-z taken as equal, as
// Windows' file names do ("WeChat.exe", "wechat.EXE").
bool sameImageName(std::string_view a, std::string_view b);

enum class ParentCondition {
  Any,   // the window may or may not have a parent
  None,  // only a window without a parent matches
};

enum class RuleWindow {
  UnderPointer,  // the window under the pointer itself
  Root,          // the top-level window it lies in
};

enum class ClassMatch {
  Exact,    // compared whole, byte for byte, letter case included
  Pattern,  // matchesClassPattern
};

struct TargetRule {
  std::string_view className;
  ParentCondition parent = ParentCondition::Any;
  std::span<const SendStep> send;
  RuleWindow window = RuleWindow::UnderPointer;
  ClassMatch match = ClassMatch::Exact;
  // The program file name the process of the rule's window must have (see
  // sameImageName); empty: any process. A process that cannot be asked
  // matches no rule that names one.
  std::string_view processName{};
};

// Tried in this order; the first that matches starts its send.
inline constexpr TargetRule kTargetRules[] = {
    // QQ's main and chat windows are top-level "TXGuiFoundation" windows that
    // draw their own input box; its child windows of the same class are
    // other panels.
    {"TXGuiFoundation", ParentCondition::None, kPasteAndSend},
    {"WeChatMainWndForPC", ParentCondition::Any, kPasteAndSend},
    {"RichEditComponent", ParentCondition::Any, kPasteAndSend},

    // WeChat 3.9's popped-out chat. Its send button reads 发送(S).
    {.className = "ChatWnd",
     .send = kPasteAndSend,
     .window = RuleWindow::Root,
     .processName = "WeChat.exe"},
    // WeChat 4, main window and popped-out chats alike; the pointer is over
    // an inner "MMUIRenderSubWindowHW" window.
    {.className = "Qt*QWindowIcon",
     .send = kPasteAndSendAfterAsyncPaste,
     .window = RuleWindow::Root,
     .match = ClassMatch::Pattern,
     .processName = "Weixin.exe"},
    // QQ NT (Electron): sends with Enter or Ctrl+Enter, as the user set it.
    {.className = "Chrome_WidgetWin_1",
     .send = kPasteOnly,
     .window = RuleWindow::Root,
     .processName = "QQ.exe"},
    // 千牛, the seller chat: its send key is not known.
    {.className = "Qt*QWindowIcon",
     .send = kPasteOnly,
     .window = RuleWindow::Root,
     .match = ClassMatch::Pattern,
     .processName = "AliWorkbench.exe"},
    // WeCom's main window and its popped-out chats: send key not known.
    {.className = "WeWorkWindow",
     .send = kPasteOnly,
     .window = RuleWindow::Root,
     .processName = "WXWork.exe"},
    {.className = "WwStandaloneConversationWnd",
     .send = kPasteOnly,
     .window = RuleWindow::Root,
     .processName = "WXWork.exe"},
};

// The first rule that the window matches, or nullptr. Each question is asked
// at most once, and only when a rule needs its answer: the parent only for a
// rule whose class matched and which has a parent condition, the process only
// for a rule whose class matched and which names one.
const TargetRule* findTargetRule(std::span<const TargetRule> rules, WindowInspector& inspector,
                                 std::int32_t window);

}  // namespace moravel
