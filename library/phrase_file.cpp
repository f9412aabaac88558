#include "library/phrase_file.h"

#include <exception>
#include <system_error>

#include "library/file_io.h"
#include "text/gb18030.h"
#include "text/gbk_text.h"

namespace moravel {
namespace {

constexpr int kStatusPane = 1;

// The bytes a text may hold but a line of the file may not: each is written as
// a space. CR and LF would split the line, 0x00 and 0x1A end the readable text.
bool breaksLine(char byte) {
  return byte == '\r' || byte == '\n' || byte == '\0' || byte == '\x1A';
}

// A GBK full-width right bracket "］", written for a "]" in a category name.
// Spelt as bytes: they are part of the file format, whatever the compiler's
// execution character set.
constexpr std::string_view kFullWidthBracket = "\xA3\xDD";

void appendPhraseText(std::string& out, std::string_view text) {
  for (const char byte : text) out.push_back(breaksLine(byte) ? ' ' : byte);
}

void appendCategoryName(std::string& out, std::string_view name) {
  for (size_t at = 0; at < name.size();) {
    const char byte = name[at];
    if (text::isLeadByte(byte)) {
      if (at + 1 == name.size()) {
        // A lead byte with nothing after it would swallow the closing "]".
        out.push_back('?');
        break;
      }
      out.push_back(byte);
      const char trail = name[at + 1];
      out.push_back(breaksLine(trail) ? ' ' : trail);
      at += 2;
      continue;
    }
    if (byte == ']') {
      out.append(kFullWidthBracket);
    } else {
      out.push_back(breaksLine(byte) ? ' ' : byte);
    }
    ++at;
  }
}

// The readable text: the bytes before the first 0x00 or 0x1A.
std::string_view readablePart(std::string_view bytes) {
  const size_t end = bytes.find_first_of(std::string_view("\0\x1A", 2));
  return end == std::string_view::npos ? bytes : bytes.substr(0, end);
}

// Decodes one UTF-8 character at `at` (strictly: no overlong forms, no
// surrogates, nothing past U+10FFFF). Returns false, `at` unchanged, when the
// bytes there are no character.
bool decodeUtf8(std::string_view bytes, size_t& at, char32_t& codePoint) {
  const auto byteAt = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
  const unsigned char first = byteAt(at);
  if (first < 0x80) {
    codePoint = first;
    ++at;
    return true;
  }
  size_t length;
  char32_t cp;
  char32_t minimum;
  if (first >= 0xC2 && first <= 0xDF) {
    length = 2, cp = first & 0x1Fu, minimum = 0x80;
  } else if (first >= 0xE0 && first <= 0xEF) {
    length = 3, cp = first & 0x0Fu, minimum = 0x800;
  } else if (first >= 0xF0 && first <= 0xF4) {
    length = 4, cp = first & 0x07u, minimum = 0x10000;
  } else {
    return false;
  }
  if (at + length > bytes.size()) return false;
  for (size_t k = 1; k < length; ++k) {
    const unsigned char next = byteAt(at + k);
    if ((next & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (next & 0x3Fu);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  codePoint = cp;
  at += length;
  return true;
}

// Valid UTF-8 with at least one character beyond ASCII.
bool isUtf8BeyondAscii(std::string_view bytes) {
  bool beyondAscii = false;
  for (size_t at = 0; at < bytes.size();) {
    if (static_cast<unsigned char>(bytes[at]) < 0x80) {
      ++at;
      continue;
    }
    char32_t cp;
    if (!decodeUtf8(bytes, at, cp)) return false;
    beyondAscii = true;
  }
  return beyondAscii;
}

std::string fromUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (size_t at = 0; at < bytes.size();) {
    char32_t cp;
    if (!decodeUtf8(bytes, at, cp)) {
      cp = text::kReplacementCharacter;
      ++at;
    }
    text::appendGb18030(out, cp);
  }
  return out;
}

std::string fromUtf16(std::string_view bytes, bool bigEndian) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (size_t k = 0; k < units.size(); ++k) {
    const auto a = static_cast<unsigned char>(bytes[2 * k]);
    const auto b = static_cast<unsigned char>(bytes[2 * k + 1]);
    units[k] = static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
  }
  std::string out = text::utf16ToGb18030(units);
  // An odd last byte is half a character.
  if (bytes.size() % 2 != 0) text::appendGb18030(out, text::kReplacementCharacter);
  return out;
}

// First line of a file that would otherwise read as UTF-8: ";本文件为GB18030编码"
// in GB18030, which is no UTF-8 (0xB1 cannot begin a UTF-8 character). Spelt
// as bytes, like the bracket above.
constexpr std::string_view kEncodingComment =
    ";\xB1\xBE\xCE\xC4\xBC\xFE\xCE\xAA" "GB18030\xB1\xE0\xC2\xEB\r\n";

}  // namespace

FileEncoding detectEncoding(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return FileEncoding::utf8Bom;
  if (bytes.starts_with("\xFF\xFE")) return FileEncoding::utf16le;
  if (bytes.starts_with("\xFE\xFF")) return FileEncoding::utf16be;
  if (isUtf8BeyondAscii(readablePart(bytes))) return FileEncoding::utf8;
  return FileEncoding::programs;
}

std::string toProgramEncoding(std::string_view bytes) {
  switch (detectEncoding(bytes)) {
    case FileEncoding::utf8Bom:
      return fromUtf8(readablePart(bytes.substr(3)));
    case FileEncoding::utf8:
      return fromUtf8(readablePart(bytes));
    case FileEncoding::utf16le:
      return fromUtf16(bytes.substr(2), false);
    case FileEncoding::utf16be:
      return fromUtf16(bytes.substr(2), true);
    case FileEncoding::programs:
      break;
  }
  return std::string(bytes);
}

Library readLibrary(std::string_view fileBytes) {
  if (detectEncoding(fileBytes) == FileEncoding::programs) return parseLibrary(fileBytes);
  return parseLibrary(toProgramEncoding(fileBytes));
}

Library parseLibrary(std::string_view bytes) {
  // The readable text ends at the first NUL or end-of-file mark (0x1A), as
  // old DOS editors left it.
  bytes = readablePart(bytes);

  Library library;
  size_t at = 0;
  while (at < bytes.size()) {
    // A line ends at CR LF, LF, or a CR alone (files from classic Mac OS
    // editors). Line ends are found byte by byte: in GBK neither CR nor LF is
    // ever the second byte of a character.
    size_t lineEnd = bytes.find_first_of("\r\n", at);
    size_t next;
    if (lineEnd == std::string_view::npos) {
      lineEnd = bytes.size();
      next = lineEnd;
    } else if (bytes[lineEnd] == '\r' && lineEnd + 1 < bytes.size() && bytes[lineEnd + 1] == '\n') {
      next = lineEnd + 2;
    } else {
      next = lineEnd + 1;
    }
    const std::string_view line = bytes.substr(at, lineEnd - at);
    at = next;

    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      // The name runs to the first "]" that begins a character: the second
      // byte of a GBK character may be 0x5D and is part of the name.
      const int close = text::find(line, "]", 2);
      if (close > 0) {
        library.push_back(Category{std::string(line.substr(1, static_cast<size_t>(close) - 2)), {}});
        continue;
      }
      // No "]": an ordinary line after all.
    }
    if (library.empty()) continue;  // nothing before the first header counts
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    // The key is only the phrase's old position; the next save numbers afresh.
    library.back().phrases.emplace_back(line.substr(equals + 1));
  }
  return library;
}

std::string writeLibrary(const PhraseTree& tree) {
  const int count = tree.itemCount();
  std::string out;
  size_t size = 0;
  for (int index = 0; index < count; ++index) size += tree.itemText(index).size() + 16;
  out.reserve(size);
  for (int index = 0; index < count; ++index) {
    const std::string& itemText = tree.itemText(index);
    if (tree.parentOf(index) < 0) {
      out.push_back('[');
      appendCategoryName(out, itemText);
      out.push_back(']');
    } else {
      // Items below a phrase (the file has only two levels) become phrases of
      // the same category, in tree order.
      out.append(text::fromNumber(index + 1));
      out.push_back('=');
      appendPhraseText(out, itemText);
    }
    out.append("\r\n");
  }
  if (isUtf8BeyondAscii(out)) out.insert(0, kEncodingComment);
  return out;
}

void fillTree(PhraseTree& tree, const Library& library) {
  PhraseTree::BulkChange bulk(tree);
  tree.clear();
  for (const Category& category : library) {
    const int parent = tree.addItem(category.name);
    for (const std::string& phrase : category.phrases) tree.addItem(parent, phrase);
  }
}

LoadResult load(PhraseTree& tree, const std::filesystem::path& file, StatusSink& status) {
  Library library;
  try {
    std::string bytes;
    switch (readWholeFile(file, bytes)) {
      case ReadStatus::missing:
        return LoadResult::noLibrary;
      case ReadStatus::failed:
        status.setStatusText(kStatusPane, kStatusReadFailed);
        return LoadResult::readFailed;
      case ReadStatus::ok:
        break;
    }
    library = readLibrary(bytes);
    if (library.empty()) return LoadResult::noLibrary;
    fillTree(tree, library);
  } catch (const std::exception&) {
    // Out of memory for a huge file: reported like an unreadable one. Only
    // when filling itself runs out is the tree left part-filled.
    status.setStatusText(kStatusPane, kStatusReadFailed);
    return LoadResult::readFailed;
  }
  status.setStatusText(kStatusPane, kStatusLoaded);
  return LoadResult::loaded;
}

SaveResult save(const PhraseTree& tree, const std::filesystem::path& file, StatusSink& status) {
  bool saved = false;
  try {
    std::error_code error;
    const bool present = std::filesystem::exists(file, error) || error;
    if (tree.itemCount() == 0 && !present) {
      // Nothing to keep and nothing to replace: no empty file appears.
      saved = true;
    } else {
      saved = replaceFileAtomically(file, writeLibrary(tree), file.parent_path() / kBackupFileName);
    }
  } catch (const std::exception&) {
    saved = false;
  }
  status.setStatusText(kStatusPane, saved ? kStatusSaved : kStatusSaveFailed);
  return saved ? SaveResult::saved : SaveResult::failed;
}

}  // namespace moravel
