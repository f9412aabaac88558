#pragma once
// Libraries of a given size for the benchmarks: 100 phrases per category,
// phrases of 10 to 60 GBK bytes mixing ASCII and Chinese, the same every run.

#include <cstdint>
#include <string>

#include "library/phrase_file.h"
#include "library/phrase_tree.h"

namespace moravel::bench {

// Status messages go nowhere in a benchmark.
struct NullStatus : StatusSink {
  void setStatusText(int, std::string_view) override {}
};

inline std::string generatedPhrase(std::uint32_t& seed) {
  static const char* const kWords[] = {"您好", "欢迎光临", "亲", "请稍等", "已发货", "OK", "order",
                                       "快递", "谢谢", "123", "退换货", "包邮", "in stock", "！"};
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  const size_t length = 10 + next() % 51;
  std::string text;
  while (text.size() < length) text += kWords[next() % (sizeof kWords / sizeof kWords[0])];
  // Cut on a character boundary, never inside a two-byte character.
  size_t cut = 0;
  for (size_t at = 0; at < text.size() && at < 60;) {
    const size_t width = static_cast<unsigned char>(text[at]) >= 0x80 ? 2 : 1;
    if (at + width > 60) break;
    at += width;
    cut = at;
  }
  text.resize(cut);
  return text;
}

inline void fillGenerated(PhraseTree& tree, int phrases) {
  PhraseTree::BulkChange bulk(tree);
  std::uint32_t seed = 12345;
  int category = -1;
  for (int i = 0; i < phrases; ++i) {
    if (i % 100 == 0) category = tree.addItem("分类" + std::to_string(i / 100 + 1));
    tree.addItem(category, generatedPhrase(seed));
  }
}

}  // namespace moravel::bench
