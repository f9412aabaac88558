#pragma once
// Putting a phrase on the system clipboard so that every chat client pastes the
// right characters: as Unicode text, as the GBK bytes (CF_TEXT) and with the
// zh-CN locale (CF_LOCALE) for programs that still read the ANSI format.

#include <functional>
#include <string>
#include <string_view>

namespace moravel {

// Another program (a clipboard manager, a remote-desktop client) often holds
// the clipboard for a moment. Opening is retried for about `patienceMs`,
// calling `wait(ms)` between tries (the caller can keep its messages flowing
// there). Returns whether the text is on the clipboard.
bool copyTextToClipboard(std::string_view gbk, int patienceMs = 1000,
                         const std::function<void(int)>& wait = {});

// The clipboard's Unicode text as GBK; empty when there is none.
std::string clipboardText();

}  // namespace moravel
