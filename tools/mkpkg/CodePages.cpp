#include "CodePages.h"

namespace Mkpkg {

const CodePage* FindCodePage(int number) {
  for (size_t i = 0; i < CodePageCount; ++i)
    if (CodePageList[i].Number == number) return &CodePageList[i];
  return nullptr;
}

std::string SupportedCodePages() {
  std::string list;
  for (size_t i = 0; i < CodePageCount; ++i) {
    if (i) list += ", ";
    list += std::to_string(CodePageList[i].Number);
  }
  return list;
}

}  // namespace Mkpkg
