#!/usr/bin/env python3
"""Generates text/gb18030_table.cpp, the mapping between GB18030 and Unicode
that moravel::text uses, from the C library's iconv ("GB18030" <-> "UTF-32BE").

Run from anywhere:  python3 scripts/gen_gb18030_table.py
It only reads iconv and writes that one file; tests/gb18030_test.cpp checks the
program's converter against the same iconv for every code point.

The table holds:
  - every two-byte code (lead 0x81-0xFE, trail 0x40-0x7E or 0x80-0xFE) and the
    code point it decodes to, 0 when iconv refuses it;
  - the four-byte codes of the Basic Multilingual Plane (0x81308130 to
    0x8431A439, linear indices 0 to 39419) as runs in which linear index and
    code point both step by one (code point 0: a run of undefined codes);
  - the code points whose encoding is not the one the decoding tables imply
    (a code point reached from two codes: iconv's choice wins), and the code
    points iconv does not encode at all.
Four-byte codes from 0x90308130 on are U+10000 onwards in linear order; the
script stops with an error if iconv disagrees anywhere except as listed.
"""

import ctypes
import ctypes.util
import os
import sys

libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
libc.iconv_open.restype = ctypes.c_void_p
libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
libc.iconv.restype = ctypes.c_size_t
libc.iconv.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_char_p),
                       ctypes.POINTER(ctypes.c_size_t), ctypes.POINTER(ctypes.c_char_p),
                       ctypes.POINTER(ctypes.c_size_t)]
FAILED = ctypes.c_size_t(-1).value

_in = ctypes.create_string_buffer(8)
_out = ctypes.create_string_buffer(64)


def convert(cd, data):
    """The whole of `data` converted, or None when iconv refuses any of it."""
    libc.iconv(cd, None, None, None, None)
    ctypes.memmove(_in, data, len(data))
    inp = ctypes.c_char_p(ctypes.addressof(_in))
    inleft = ctypes.c_size_t(len(data))
    outp = ctypes.c_char_p(ctypes.addressof(_out))
    outleft = ctypes.c_size_t(len(_out))
    if libc.iconv(cd, ctypes.byref(inp), ctypes.byref(inleft), ctypes.byref(outp),
                  ctypes.byref(outleft)) == FAILED or inleft.value:
        return None
    if libc.iconv(cd, None, None, ctypes.byref(outp), ctypes.byref(outleft)) == FAILED:
        return None
    return _out.raw[:len(_out) - outleft.value]


decoder = libc.iconv_open(b"UTF-32BE", b"GB18030")
encoder = libc.iconv_open(b"GB18030", b"UTF-32BE")
if decoder in (None, FAILED) or encoder in (None, FAILED):
    sys.exit("iconv has no GB18030 here")


def decode(code):
    out = convert(decoder, code)
    if out is None or len(out) != 4:
        return 0
    return int.from_bytes(out, "big")


def encode(cp):
    return convert(encoder, cp.to_bytes(4, "big"))


TRAILS = [t for t in range(0x40, 0xFF) if t != 0x7F]


def four_byte(linear):
    b4 = linear % 10
    linear //= 10
    b3 = linear % 126
    linear //= 126
    b2 = linear % 10
    b1 = linear // 10
    return bytes([0x81 + b1, 0x30 + b2, 0x81 + b3, 0x30 + b4])


BMP_FOUR_BYTE_COUNT = 39420        # 0x81308130 .. 0x8431A439
SUPPLEMENTARY_LINEAR = 189000      # linear index of 0x90308130

# What decoding alone implies: code point -> list of codes.
sources = {}

two_byte = []
for lead in range(0x81, 0xFF):
    for trail in TRAILS:
        code = bytes([lead, trail])
        cp = decode(code)
        two_byte.append(cp)
        if cp:
            sources.setdefault(cp, []).append(code)

runs = []  # (linear start, code point start or 0)
previous = None
for linear in range(BMP_FOUR_BYTE_COUNT):
    code = four_byte(linear)
    cp = decode(code)
    if cp:
        sources.setdefault(cp, []).append(code)
    if previous is None or (cp == 0) != (previous == 0) or (cp and cp != previous + 1):
        runs.append((linear, cp))
    previous = cp

for cp in range(0x10000, 0x110000):
    code = four_byte(SUPPLEMENTARY_LINEAR + cp - 0x10000)
    got = decode(code)
    if got != cp:
        sys.exit("iconv decodes %s to U+%04X, not U+%04X" % (code.hex(), got, cp))
    sources.setdefault(cp, []).append(code)

# The encoder the runtime builds: the only code of a code point, else iconv's
# choice among several (listed); code points iconv refuses are listed apart.
preferred = []
unencodable = []
for cp in range(0x80, 0x110000):
    if 0xD800 <= cp <= 0xDFFF:
        continue
    want = encode(cp)
    have = sources.get(cp, [])
    if want is None:
        if have:
            sys.exit("iconv decodes to U+%04X but does not encode it" % cp)
        unencodable.append(cp)
    elif want not in have:
        sys.exit("iconv encodes U+%04X as %s, which does not decode to it" % (cp, want.hex()))
    elif len(have) > 1:
        preferred.append((cp, want))

for cp in range(0x80):
    if encode(cp) != bytes([cp]) or convert(decoder, bytes([cp])) != cp.to_bytes(4, "big"):
        sys.exit("iconv does not keep ASCII U+%04X" % cp)

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
out_path = os.path.join(root, "text", "gb18030_table.cpp")
with open(out_path, "w", newline="\n") as out:
    w = out.write
    w("// Generated by scripts/gen_gb18030_table.py from the C library's iconv\n")
    w("// (GB18030 <-> UTF-32BE). Do not edit; run the script again instead.\n")
    w('#include "text/gb18030_table.h"\n\n#include <iterator>\n\nnamespace moravel::text::gb18030 {\n\n')
    w("const char32_t kTwoByte[kTwoByteCount] = {\n")
    for i in range(0, len(two_byte), 10):
        w("    " + ", ".join("0x%04X" % cp for cp in two_byte[i:i + 10]) + ",\n")
    w("};\n\n")
    w("const FourByteRun kFourByteRuns[] = {\n")
    for i in range(0, len(runs), 4):
        w("    " + " ".join("{%d, 0x%04X}," % r for r in runs[i:i + 4]) + "\n")
    w("};\n\n")
    w("const std::size_t kFourByteRunCount = std::size(kFourByteRuns);\n\n")
    w("const Preferred kPreferred[] = {\n")
    for cp, code in preferred:
        w("    {0x%04X, 0x%s},\n" % (cp, code.hex().upper()))
    w("};\n\n")
    w("const std::size_t kPreferredCount = std::size(kPreferred);\n\n")
    w("const char32_t kUnencodable[] = {\n")
    for i in range(0, len(unencodable), 10):
        w("    " + ", ".join("0x%04X" % cp for cp in unencodable[i:i + 10]) + ",\n")
    w("};\nconst std::size_t kUnencodableCount = std::size(kUnencodable);\n\n")
    w("}  // namespace moravel::text::gb18030\n")

print("two-byte codes: %d (%d defined), four-byte runs: %d, preferred: %d, unencodable: %d"
      % (len(two_byte), sum(1 for c in two_byte if c), len(runs), len(preferred),
         len(unencodable)))
