#include "library/phrase_file.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <exception>
#include <system_error>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
  // Two memchr passes: find_first_of would look each byte up in the set.
  size_t end = bytes.size();
  if (const void* nul = std::memchr(bytes.data(), '\0', end)) {
    end = static_cast<size_t>(static_cast<const char*>(nul) - bytes.data());
  }
  if (const void* mark = std::memchr(bytes.data(), '\x1A', end)) {
    end = static_cast<size_t>(static_cast<const char*>(mark) - bytes.data());
  }
  return bytes.substr(0, end);
}

// Whether the eight bytes at `p` are ASCII other than 0x00 and 0x1A: the
// usual bit trick for "some byte is zero", applied to the bytes and to the
// bytes xor 0x1A.
bool plainAscii8(const char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  constexpr std::uint64_t ones = 0x0101010101010101u;
  constexpr std::uint64_t highs = 0x8080808080808080u;
  const auto hasZeroByte = [](std::uint64_t w) { return ((w - ones) & ~w & highs) != 0; };
  return (word & highs) == 0 && !hasZeroByte(word) && !hasZeroByte(word ^ (ones * 0x1A));
}

// Bit k is set when byte k of the sixteen at `p` lies in 0x00 to 0x1A, which
// takes in every byte that can end a line or the readable text (LF, CR, 0x00,
// 0x1A); none of them is ever the second byte of a character.
unsigned lowBytes16(const char* p) {
#if defined(__SSE2__)
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(bytes, _mm_set1_epi8(0x1A)), bytes);
  return static_cast<unsigned>(_mm_movemask_epi8(low));
#else
  unsigned mask = 0;
  for (unsigned k = 0; k < 16; ++k) {
    if (static_cast<unsigned char>(p[k]) <= 0x1A) mask |= 1u << k;
  }
  return mask;
#endif
}

// Bit k is set when byte k of the sixteen at `p` is "=".
unsigned equalsBytes16(const char* p) {
#if defined(__SSE2__)
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('='))));
#else
  unsigned mask = 0;
  for (unsigned k = 0; k < 16; ++k) {
    if (p[k] == '=') mask |= 1u << k;
  }
  return mask;
#endif
}

// Bit k is set when byte k of the sixty-four at `p` lies in 0x00 to 0x1A.
std::uint64_t lowBytes64(const char* p) {
  return std::uint64_t{lowBytes16(p)} | (std::uint64_t{lowBytes16(p + 16)} << 16) |
         (std::uint64_t{lowBytes16(p + 32)} << 32) | (std::uint64_t{lowBytes16(p + 48)} << 48);
}

// LF, CR, 0x00 or 0x1A: a byte that ends a line or the readable text.
bool endsLine(char byte) {
  const auto value = static_cast<unsigned char>(byte);
  return value <= 0x1A && ((0x04002401u >> value) & 1u) != 0;
}

// Splits the readable text (up to the first 0x00 or 0x1A) into lines and
// calls onLine(line, equals) for each, with equals the offset of the line's
// first "=" (npos when it has none), until onLine answers false. A line ends
// at CR LF, LF, or a CR alone (files from classic Mac OS editors).
//
// Loading 100,000 phrases is mostly this loop. It looks at sixty-four bytes
// at a time, one compare for each sixteen, and stops only at bytes below 0x1B
// (line ends, and tabs, seldom); a phrase line's "=" is nearly always among
// its first sixteen bytes. Each byte is thus looked at about once, where a
// memchr per line costs more than all of this.
template <typename OnLine>
void forEachLine(std::string_view bytes, OnLine&& onLine) {
  constexpr size_t npos = std::string_view::npos;
  const char* const data = bytes.data();
  const size_t size = bytes.size();
  size_t start = 0;
  while (start < size) {
    size_t end = start;
    for (;;) {
      if (size - end < 64) {
        while (end < size && !endsLine(data[end])) ++end;
        break;
      }
      // Sixty-four bytes a step: most lines end within the first.
      std::uint64_t mask = lowBytes64(data + end);
      // A tab is low too, but ends nothing.
      while (mask != 0 && !endsLine(data[end + static_cast<size_t>(std::countr_zero(mask))])) {
        mask &= mask - 1;
      }
      if (mask != 0) {
        end += static_cast<size_t>(std::countr_zero(mask));
        break;
      }
      end += 64;
    }

    const size_t length = end - start;
    size_t equals = npos;
    if (size - start >= 16) {
      const unsigned mask = equalsBytes16(data + start);
      if (mask != 0) {
        const auto first = static_cast<size_t>(std::countr_zero(mask));
        if (first < length) equals = first;
      } else if (length > 16) {
        if (const void* found = std::memchr(data + start + 16, '=', length - 16)) {
          equals = static_cast<size_t>(static_cast<const char*>(found) - (data + start));
        }
      }
    } else if (const void* found = std::memchr(data + start, '=', length)) {
      equals = static_cast<size_t>(static_cast<const char*>(found) - (data + start));
    }

    if (!onLine(std::string_view(data + start, length), equals)) return;
    if (end == size || data[end] == '\0' || data[end] == '\x1A') return;
    start = end + 1;
    if (data[end] == '\r' && start < size && data[start] == '\n') ++start;
  }
}

// Reads the categories and phrases of the program's bytes (see parseLibrary)
// into `sink`: sink.category(name), which answers whether to go on, and
// sink.phrase(text) for each phrase of the last category.
template <typename Sink>
void scanLibrary(std::string_view bytes, Sink& sink) {
  bool inCategory = false;
  forEachLine(bytes, [&](std::string_view line, size_t equals) {
    if (line.empty() || line.front() == ';') return true;
    if (line.front() == '[') {
      // The name runs to the first "]" that begins a character: the second
      // byte of a GBK character may be 0x5D and is part of the name.
      const int close = text::find(line, "]", 2);
      if (close > 0) {
        inCategory = true;
        return sink.category(line.substr(1, static_cast<size_t>(close) - 2));
      }
      // No "]": an ordinary line after all.
    }
    // Nothing before the first header counts, nor a line without "=". The
    // key is only the phrase's old position; the next save numbers afresh.
    if (inCategory && equals != std::string_view::npos) sink.phrase(line.substr(equals + 1));
    return true;
  });
}

struct LibrarySink {
  Library& library;
  bool category(std::string_view name) {
    library.push_back(Category{std::string(name), {}});
    return true;
  }
  void phrase(std::string_view text) { library.back().phrases.emplace_back(text); }
};

// Appends straight to the tree, whose texts then stay where they are in the
// bytes the tree has adopted.
struct TreeSink {
  PhraseTree& tree;
  int parent = -1;
  bool category(std::string_view name) {
    parent = tree.addItem(name);
    return true;
  }
  void phrase(std::string_view text) { tree.addItem(parent, text); }
};

constexpr std::size_t kShortLine = 24;

// Whether the bytes hold a category at all; reads only up to the first one.
bool hasCategory(std::string_view bytes) {
  struct {
    bool found = false;
    bool category(std::string_view) {
      found = true;
      return false;
    }
    void phrase(std::string_view) {}
  } sink;
  scanLibrary(bytes, sink);
  return sink.found;
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

// Valid UTF-8 with at least one character beyond ASCII. Only the readable
// text counts: the check ends at the first 0x00 or 0x1A. (A text to be
// written has neither.)
bool isUtf8BeyondAscii(std::string_view bytes) {
  bool beyondAscii = false;
  for (size_t at = 0; at < bytes.size();) {
    // ASCII runs, eight bytes at a time: a whole file of them is no rarity.
    while (bytes.size() - at >= 8 && plainAscii8(bytes.data() + at)) at += 8;
    if (at == bytes.size()) break;
    const auto byte = static_cast<unsigned char>(bytes[at]);
    if (byte == 0x00 || byte == 0x1A) break;
    if (byte < 0x80) {
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
  if (isUtf8BeyondAscii(bytes)) return FileEncoding::utf8;
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
  Library library;
  LibrarySink sink{library};
  scanLibrary(bytes, sink);
  return library;
}

std::string writeLibrary(const PhraseTree& tree) {
  const int count = tree.itemCount();
  std::string out;
  size_t size = 0;
  for (int index = 0; index < count; ++index) size += tree.itemText(index).size() + 16;
  out.reserve(size);
  for (int index = 0; index < count; ++index) {
    const std::string_view itemText = tree.itemText(index);
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
    if (detectEncoding(bytes) != FileEncoding::programs) bytes = toProgramEncoding(bytes);
    if (!hasCategory(bytes)) return LoadResult::noLibrary;
    // Straight into the tree, which keeps the bytes as its texts: no
    // Library in between, no copy of any phrase.
    PhraseTree::BulkChange bulk(tree);
    tree.clear();
    // Lines are rarely shorter than this; room reserved and never used
    // costs address space, not memory, until it is touched.
    tree.reserveItems(bytes.size() / kShortLine + 1);
    TreeSink sink{tree};
    scanLibrary(tree.adoptTextBuffer(std::move(bytes)), sink);
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
