#pragma once
// Which windows are chat windows: a table of rules over two questions about
// the window under the pointer, its class name and whether it has a parent.
// Each rule names the send it starts, so that clients which need another
// sequence get a row of their own.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "send/send_sequence.h"

namespace moravel {

// The platform's answers about a window, named by the number a LocationText
// carries.
class WindowInspector {
 public:
  virtual ~WindowInspector() = default;
  // The window's whole class name (GBK); nothing when the number names no
  // window or the name cannot be read.
  virtual std::optional<std::string> className(std::int32_t window) = 0;
  virtual bool hasParent(std::int32_t window) = 0;
};

// Class names are read into a buffer of 50 characters, as the chat clients'
// own tools do, so at most 49 characters take part in a comparison.
inline constexpr std::size_t kClassNameLimit = 49;

// The first kClassNameLimit characters of a class name; a two-byte GBK
// character counts as one, as it is one UTF-16 unit in the system's buffer.
std::string_view limitClassName(std::string_view className);

enum class ParentCondition {
  Any,   // the window may or may not have a parent
  None,  // only a window without a parent matches
};

struct TargetRule {
  // Compared whole, byte for byte, letter case included.
  std::string_view className;
  ParentCondition parent = ParentCondition::Any;
  std::span<const SendStep> send;
};

// QQ's main and chat windows are top-level "TXGuiFoundation" windows that draw
// their own input box; its child windows of the same class are other panels.
inline constexpr TargetRule kTargetRules[] = {
    {"TXGuiFoundation", ParentCondition::None, kPasteAndSend},
    {"WeChatMainWndForPC", ParentCondition::Any, kPasteAndSend},
    {"RichEditComponent", ParentCondition::Any, kPasteAndSend},
};

// The first rule that the window matches, or nullptr. The parent is asked
// only for a rule whose class name matched and which has a parent condition.
const TargetRule* findTargetRule(std::span<const TargetRule> rules, WindowInspector& inspector,
                                 std::int32_t window);

}  // namespace moravel
