#include "text/gbk_text.h"

#include <climits>

namespace moravel::text {
namespace {

char foldAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool matchesAt(std::string_view text, size_t at, std::string_view sought, bool ignoreCase) {
  if (at + sought.size() > text.size()) return false;
  if (!ignoreCase) return text.compare(at, sought.size(), sought) == 0;
  for (size_t k = 0; k < sought.size(); ++k) {
    if (foldAscii(text[at + k]) != foldAscii(sought[k])) return false;
  }
  return true;
}

// Offset of the character boundary at or after `offset`, stepping from the
// start of the text so that trail bytes are never taken for boundaries.
size_t boundaryAtOrAfter(std::string_view text, size_t offset) {
  size_t at = 0;
  while (at < offset) at += isLeadByte(text[at]) ? 2 : 1;
  return at;
}

int toPosition(size_t offset) {
  return offset >= static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(offset) + 1;
}

}  // namespace

int find(std::string_view text, std::string_view sought, int start, bool ignoreCase) {
  if (start < 1) start = 1;
  if (static_cast<size_t>(start) > text.size()) return -1;
  const size_t first = boundaryAtOrAfter(text, static_cast<size_t>(start) - 1);
  if (first >= text.size()) return -1;
  if (sought.empty()) return 1;
  for (size_t at = first; at + sought.size() <= text.size(); at += isLeadByte(text[at]) ? 2 : 1) {
    if (matchesAt(text, at, sought, ignoreCase)) return toPosition(at);
  }
  return -1;
}

int findLast(std::string_view text, std::string_view sought) {
  if (text.empty()) return -1;
  int last = -1;
  for (size_t at = 0; at < text.size(); at += isLeadByte(text[at]) ? 2 : 1) {
    if (matchesAt(text, at, sought, false)) last = toPosition(at);
  }
  return last;
}

std::string left(std::string_view text, int count) {
  if (count <= 0) return {};
  return std::string(text.substr(0, static_cast<size_t>(count)));
}

std::string right(std::string_view text, int count) {
  if (count <= 0) return {};
  const size_t n = static_cast<size_t>(count);
  return std::string(n >= text.size() ? text : text.substr(text.size() - n));
}

std::string mid(std::string_view text, int start, int count) {
  if (start < 1 || count <= 0 || static_cast<size_t>(start) > text.size()) return {};
  return std::string(text.substr(static_cast<size_t>(start) - 1, static_cast<size_t>(count)));
}

std::vector<std::string> split(std::string_view text, std::string_view separator) {
  std::vector<std::string> pieces;
  if (text.empty()) return pieces;
  if (separator.empty()) {
    pieces.emplace_back(text);
    return pieces;
  }
  size_t pieceStart = 0;
  size_t at = 0;
  while (at < text.size()) {
    if (matchesAt(text, at, separator, false)) {
      pieces.emplace_back(text.substr(pieceStart, at - pieceStart));
      at += separator.size();
      pieceStart = at;
    } else {
      at += isLeadByte(text[at]) ? 2 : 1;
    }
  }
  // A trailing separator leaves no empty last piece.
  if (pieceStart < text.size()) pieces.emplace_back(text.substr(pieceStart));
  return pieces;
}

std::string fromNumber(long long number) { return std::to_string(number); }

long long toNumber(std::string_view text) {
  size_t at = 0;
  auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (at < text.size() && isSpace(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    negative = text[at] == '-';
    ++at;
  }
  long long value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    const int digit = text[at] - '0';
    if (value > (LLONG_MAX - digit) / 10) return negative ? LLONG_MIN : LLONG_MAX;
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

}  // namespace moravel::text
