#pragma once
// The libraries a long series of saves writes: round k has its own content
// and size, and names its round in its first category, so that whatever a
// file holds can be checked to be exactly one of them.

#include <string>

#include "library/phrase_file.h"
#include "text/gbk_text.h"

namespace moravel::testing {

inline Library libraryForRound(long long round) {
  Library library;
  library.push_back(Category{"round " + text::fromNumber(round), {}});
  // 10 to 100 KB, so that a save takes long enough to be cut in the middle.
  const long long phrases = 300 + (round * 7919) % 3000;
  for (long long p = 0; p < phrases; ++p) {
    if (p % 500 == 499) library.push_back(Category{"类别" + text::fromNumber(p), {}});
    library.back().phrases.push_back("第" + text::fromNumber(round) + "轮 短语 " +
                                     text::fromNumber(p * round));
  }
  return library;
}

// The round whose library `bytes` is, exactly; -1 when it is none of them.
inline long long roundOfFile(const std::string& bytes) {
  const std::string prefix = "[round ";
  if (bytes.compare(0, prefix.size(), prefix) != 0) return -1;
  const long long round = text::toNumber(bytes.substr(prefix.size(), 20));
  PhraseTree tree;
  fillTree(tree, libraryForRound(round));
  return writeLibrary(tree) == bytes ? round : -1;
}

}  // namespace moravel::testing
