// Where each interface language's Start-menu link to the manual points: a
// path below the main program's folder, in the order of the language list,
// components separated by backslashes as Windows takes them. The installer
// makes its links from it; the package tool warns about a tree that lacks
// one. Portable: built natively too.
#pragma once

namespace Package {

constexpr const char* ManualPaths[] = {
    "MANUAL\\English\\manual.pdf",
    "MANUAL\\Russian\\manual.pdf",
};

}  // namespace Package
