// UTF-8 (the command line and the disk) to and from the 8-bit code page
// written into packages, and texts made safe to print on a terminal.
#pragma once

#include <string>

#include "CodePages.h"

namespace Mkpkg {

// Strict UTF-8: no overlong forms, surrogates or code points past U+10FFFF.
bool DecodeUtf8(const std::string& text, std::u32string& out);
void AppendUtf8(std::string& out, char32_t c);

struct EncodedText {
  std::string Bytes;    // in the code page, when Problem is empty
  std::string Problem;  // e.g. "holds \"€\" (U+20AC), which code page 1251 cannot hold"
};

// Without a code page only ASCII is accepted.
EncodedText EncodeText(const std::string& utf8, const CodePage* codePage);
EncodedText EncodeText(const std::u32string& text, const CodePage* codePage);

// Package bytes as UTF-8 for display. Control characters, and bytes the
// code page does not define (every byte from 0x80 without a code page),
// appear as \xNN, so a hostile name cannot drive the terminal.
std::string DisplayPackageText(const std::string& bytes, const CodePage* codePage);

// UTF-8 text that may be malformed (a name from the disk), made safe the
// same way: malformed bytes and control characters appear as \xNN.
std::string DisplayUtf8(const std::string& text);

}  // namespace Mkpkg
