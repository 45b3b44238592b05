// A run that asks for a code page (with the argument --ansi-code-page=N)
// must have it: with its locale lost or not understood, Wine falls back to
// 1252 without a word, and the run would only repeat the plain one.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <string>

namespace SetupTest {

// The code page asked for; 0 when none was.
inline UINT RequiredCodePage() {
  const std::string flag = "--ansi-code-page=";
  for (int i = 1; i < __argc; ++i)
    if (std::string(__argv[i]).rfind(flag, 0) == 0) return UINT(std::stoul(std::string(__argv[i]).substr(flag.size())));
  return 0;
}

}  // namespace SetupTest
