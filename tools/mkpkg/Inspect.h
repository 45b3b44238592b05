// mkpkg list and mkpkg verify: a package read back as the installer reads it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "CodePages.h"

namespace Mkpkg {

struct Listing {
  std::string Text;     // header fields, then one line a record
  std::string Problem;  // why the listing stops early; empty when complete
};

// Names and texts are shown decoded from codePage (ASCII only when null).
Listing ListPackage(const uint8_t* data, size_t size, const CodePage* codePage);

struct Verdict {
  std::vector<std::string> Problems;  // each with its byte offset; none when sound
  std::string Summary;                // what a sound package holds
};

// The installer's load-time checks, plus what would go wrong after them:
// an unknown record kind, a missing key file, unbalanced folder records.
Verdict VerifyPackage(const uint8_t* data, size_t size, const CodePage* codePage);

}  // namespace Mkpkg
