#include "send/chat_target.h"

#include "text/gbk_text.h"

namespace moravel {

std::string_view limitClassName(std::string_view className) {
  std::size_t bytes = 0;
  for (std::size_t characters = 0; characters < kClassNameLimit && bytes < className.size();
       ++characters) {
    bytes += text::isLeadByte(className[bytes]) ? 2 : 1;
  }
  return className.substr(0, bytes);
}

const TargetRule* findTargetRule(std::span<const TargetRule> rules, WindowInspector& inspector,
                                 std::int32_t window) {
  const std::optional<std::string> className = inspector.className(window);
  if (!className) return nullptr;
  const std::string_view compared = limitClassName(*className);
  for (const TargetRule& rule : rules) {
    if (compared != rule.className) continue;
    if (rule.parent == ParentCondition::None && inspector.hasParent(window)) continue;
    return &rule;
  }
  return nullptr;
}

}  // namespace moravel
