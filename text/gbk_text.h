#pragma once
// The program's texts are byte strings in GBK (code page 936), exactly as the
// library file and the chat clients' clipboard see them. Nothing here converts
// them: lengths count bytes, positions are 1-based byte positions, and -1 means
// "not found".
//
// A byte of 0x80 or above opens a two-byte character. Searching and splitting
// step over such a byte together with the byte after it, so that a match never
// starts on the second byte of a character (in GBK that byte may well look like
// "[" or "|" or an ASCII letter). Cutting (left/right/mid) counts bytes only.
//
// The program's encoding is GB18030, GBK's superset (text/gb18030.h). Its
// four-byte characters (emoji, rare ideographs) are two such pairs, each opened
// by a byte of 0x81 or above, so the same stepping never splits them at a pair
// boundary and never takes their digit bytes for characters.

#include <string>
#include <string_view>
#include <vector>

namespace moravel::text {

// True for a byte that opens a two-byte character.
constexpr bool isLeadByte(unsigned char byte) { return byte >= 0x80; }
constexpr bool isLeadByte(char byte) { return isLeadByte(static_cast<unsigned char>(byte)); }

// First position at or after `start` where `sought` begins, or -1.
// A start below 1 counts as 1; a start beyond the text finds nothing.
// An empty `sought` gives 1 when the searched part is not empty, else -1. With `ignoreCase`, A-Z and a-z match each other (and only
// those: the bytes of Chinese characters are compared exactly).
int find(std::string_view text, std::string_view sought, int start = 1, bool ignoreCase = false);

// Last position where `sought` begins and lies wholly within `text`, or -1.
// Matches start on character boundaries only, as with find.
int findLast(std::string_view text, std::string_view sought);

// The first / last `count` bytes: the whole text when it is shorter, the empty
// text when count is not positive.
std::string left(std::string_view text, int count);
std::string right(std::string_view text, int count);

// `count` bytes from 1-based `start`, fewer when the text ends first; empty when
// start is below 1 or beyond the text, or count is not positive.
std::string mid(std::string_view text, int start, int count);

// The pieces between separators. Empty pieces are kept, except that a text
// ending with the separator gives no empty last piece. The empty text gives no
// pieces; an empty separator gives the whole text as one piece.
std::vector<std::string> split(std::string_view text, std::string_view separator = ",");

// Plain decimal, as "%d" writes it: a sign only when negative, no leading zeros.
std::string fromNumber(long long number);

// The leading decimal number of a text: leading white space skipped, an
// optional sign, digits up to the first non-digit; 0 when there are no digits.
// Saturates instead of overflowing.
long long toNumber(std::string_view text);

}  // namespace moravel::text
