// The single-byte Windows code pages in which mkpkg can write names and
// texts. Each is a table of its upper half; bytes below 0x80 are ASCII.
#pragma once

#include <cstddef>
#include <string>

namespace Mkpkg {

struct CodePage {
  int Number;
  const char* Name;
  char16_t Upper[128];  // code point of bytes 0x80-0xFF, 0 when undefined
};

extern const CodePage CodePageList[];
extern const size_t CodePageCount;

// Null when the code page is not tabled.
const CodePage* FindCodePage(int number);
// "1250, 1251, ..." for messages.
std::string SupportedCodePages();

}  // namespace Mkpkg
