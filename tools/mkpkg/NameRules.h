// File and folder names as Windows and the installer will take them.
#pragma once

#include <string>

#include "CodePages.h"

namespace Mkpkg {

constexpr size_t MaxNameBytes = 255;

// Why one name component cannot be created on Windows: empty, or a
// character Windows forbids (<>:"/\|?* and controls). A trailing dot or
// space and device names are the installer's rules, applied by ConvertName
// to the stored bytes. Empty when the name is fine.
std::string WindowsNameProblem(const std::u32string& name);

// Names that Windows takes for the same file fold to the same text.
std::u32string FoldCase(const std::u32string& name);

struct PackageName {
  std::string Bytes;      // the name in the package's code page
  std::u32string Folded;  // for spotting names that differ only in case
  std::string Problem;    // empty when the name can be packed
};

// Converts one UTF-8 name component and checks it against Windows' rules,
// the code page and the installer's own checks of record names.
PackageName ConvertName(const std::string& utf8, const CodePage* codePage);

}  // namespace Mkpkg
