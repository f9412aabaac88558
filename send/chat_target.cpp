#include "send/chat_target.h"

#include "text/gbk_text.h"

namespace moravel {
namespace {

// Bytes of the character at `at`: two for a lead byte with its second byte
// there, else one (a lead byte cut off at the end stands alone).
std::size_t characterSize(std::string_view text, std::size_t at) {
  return text::isLeadByte(text[at]) && at + 1 < text.size() ? 2 : 1;
}

char foldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// What the rules ask about one window, each question put to the inspector
// once at most, when a rule first needs its answer.
class Subject {
 public:
  Subject(WindowInspector& inspector, std::int32_t window)
      : inspector_(inspector), window_(window) {}

  const std::optional<std::string>& className() {
    if (!className_) className_ = window_ == 0 ? std::nullopt : inspector_.className(window_);
    return *className_;
  }
  bool hasParent() {
    if (!hasParent_) hasParent_ = inspector_.hasParent(window_);
    return *hasParent_;
  }
  const std::optional<std::string>& processImagePath() {
    if (!processImagePath_) {
      processImagePath_ = window_ == 0 ? std::nullopt : inspector_.processImagePath(window_);
    }
    return *processImagePath_;
  }

 private:
  WindowInspector& inspector_;
  std::int32_t window_;
  std::optional<std::optional<std::string>> className_;
  std::optional<bool> hasParent_;
  std::optional<std::optional<std::string>> processImagePath_;
};

bool classMatches(const TargetRule& rule, std::string_view className) {
  const std::string_view compared = limitClassName(className);
  return rule.match == ClassMatch::Pattern ? matchesClassPattern(rule.className, compared)
                                           : compared == rule.className;
}

bool matches(const TargetRule& rule, Subject& subject) {
  const std::optional<std::string>& className = subject.className();
  if (!className || !classMatches(rule, *className)) return false;
  if (rule.parent == ParentCondition::None && subject.hasParent()) return false;
  if (!rule.processName.empty()) {
    const std::optional<std::string>& path = subject.processImagePath();
    if (!path || !sameImageName(imageFileName(*path), rule.processName)) return false;
  }
  return true;
}

}  // namespace

std::string_view limitClassName(std::string_view className) {
  std::size_t bytes = 0;
  for (std::size_t characters = 0; characters < kClassNameLimit && bytes < className.size();
       ++characters) {
    bytes += text::isLeadByte(className[bytes]) ? 2 : 1;
  }
  return className.substr(0, bytes);
}

bool matchesClassPattern(std::string_view pattern, std::string_view className) {
  constexpr std::size_t kNoStar = std::string_view::npos;
  std::size_t p = 0, n = 0;
  // After the last "*" met: where the pattern goes on, and where in the name
  // the run it stands for ends so far. A mismatch later lets the run grow by
  // one character and tries again from there.
  std::size_t afterStar = kNoStar, runEnd = 0;
  while (n < className.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      afterStar = ++p;
      runEnd = n;
      continue;
    }
    if (p < pattern.size()) {
      const std::size_t size = characterSize(pattern, p);
      if (size == characterSize(className, n) &&
          pattern.substr(p, size) == className.substr(n, size)) {
        p += size;
        n += size;
        continue;
      }
    }
    if (afterStar == kNoStar) return false;
    runEnd += characterSize(className, runEnd);
    n = runEnd;
    p = afterStar;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::string_view imageFileName(std::string_view path) {
  std::size_t start = 0;
  for (std::size_t at = 0; at < path.size(); at += characterSize(path, at)) {
    if (path[at] == '\\' || path[at] == '/') start = at + 1;
  }
  return path.substr(start);
}

bool sameImageName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t at = 0; at < a.size();) {
    const std::size_t size = characterSize(a, at);
    if (size != characterSize(b, at)) return false;
    if (size == 1 ? foldAscii(a[at]) != foldAscii(b[at]) : a.substr(at, 2) != b.substr(at, 2)) {
      return false;
    }
    at += size;
  }
  return true;
}

const TargetRule* findTargetRule(std::span<const TargetRule> rules, WindowInspector& inspector,
                                 std::int32_t window) {
  Subject underPointer(inspector, window);
  std::optional<Subject> root;
  for (const TargetRule& rule : rules) {
    Subject* subject = &underPointer;
    if (rule.window == RuleWindow::Root) {
      if (!root) root.emplace(inspector, window == 0 ? 0 : inspector.rootWindow(window));
      subject = &*root;
    }
    if (matches(rule, *subject)) return &rule;
  }
  return nullptr;
}

}  // namespace moravel
