// libFuzzer target over the phrase file. For every input, besides running
// under AddressSanitizer and UndefinedBehaviorSanitizer without a report:
// 1. what the reader takes from it, written and read again, is the same
//    library (both for the program's own bytes and for load's reading, which
//    also takes UTF-8 and UTF-16), and writing that again gives the same bytes;
// 2. a library of texts that the writer keeps byte for byte, built from the
//    input, is written and read back identical;
// 3. converting to UTF-16 and back and to UTF-16 again changes nothing.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "library/phrase_file.h"
#include "library/phrase_tree.h"
#include "text/gb18030.h"
#include "text/gbk_text.h"

namespace {

using moravel::Category;
using moravel::Library;
using moravel::PhraseTree;

void require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
  }
}

std::string written(const Library& library) {
  PhraseTree tree;
  moravel::fillTree(tree, library);
  return moravel::writeLibrary(tree);
}

// A phrase text the writer keeps: no byte that ends a line or the text.
std::string validPhrase(std::string_view bytes) {
  std::string text;
  for (const char byte : bytes) {
    if (byte != '\r' && byte != '\n' && byte != '\0' && byte != '\x1A') text.push_back(byte);
  }
  return text;
}

// A category name the writer keeps: a valid phrase text without a "]" that
// begins a character, and not ending in the first byte of a character.
std::string validName(std::string_view bytes) {
  const std::string phrase = validPhrase(bytes);
  std::string name;
  for (size_t at = 0; at < phrase.size();) {
    if (moravel::text::isLeadByte(phrase[at])) {
      if (at + 1 == phrase.size()) break;
      name.append(phrase, at, 2);
      at += 2;
    } else {
      if (phrase[at] != ']') name.push_back(phrase[at]);
      ++at;
    }
  }
  return name;
}

// Pieces of the input between 0x0A bytes: one that begins with "#" is a
// category, every other one a phrase of the category before it.
Library validLibrary(std::string_view bytes) {
  Library library;
  size_t at = 0;
  while (at <= bytes.size()) {
    size_t end = bytes.find('\n', at);
    if (end == std::string_view::npos) end = bytes.size();
    const std::string_view piece = bytes.substr(at, end - at);
    if (!piece.empty() && piece.front() == '#') {
      library.push_back(Category{validName(piece.substr(1)), {}});
    } else {
      if (library.empty()) library.push_back(Category{});
      library.back().phrases.push_back(validPhrase(piece));
    }
    at = end + 1;
  }
  return library;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  const Library parsed = moravel::parseLibrary(bytes);
  const std::string once = written(parsed);
  require(moravel::parseLibrary(once) == parsed, "parse, write, parse");

  const Library read = moravel::readLibrary(bytes);
  const std::string readOnce = written(read);
  require(moravel::readLibrary(readOnce) == read, "read, write, read");
  require(written(moravel::readLibrary(readOnce)) == readOnce, "write, read, write");

  const Library valid = validLibrary(bytes);
  const std::string validBytes = written(valid);
  require(moravel::readLibrary(validBytes) == valid, "valid texts come back identical");
  require(moravel::parseLibrary(validBytes) == valid ||
              moravel::detectEncoding(validBytes) != moravel::FileEncoding::programs,
          "valid texts parse back identical");

  const std::u16string utf16 = moravel::text::gb18030ToUtf16(bytes);
  require(moravel::text::gb18030ToUtf16(moravel::text::utf16ToGb18030(utf16)) == utf16,
          "UTF-16, GB18030, UTF-16");
  return 0;
}
