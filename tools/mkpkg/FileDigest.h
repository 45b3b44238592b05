// The SHA-256 of a file, from the system's own implementation: Windows'
// (CNG or CryptoAPI) in the Windows build, Nettle's elsewhere.
#pragma once

#include <string>

namespace Mkpkg {

// 64 lower-case hexadecimal digits. MkpkgError when the file cannot be read.
std::string FileDigest(const std::string& utf8Path);

// The line sha256sum prints for that digest and path, names with a
// backslash or a line feed escaped as it escapes them.
std::string DigestLine(const std::string& digest, const std::string& utf8Path);

}  // namespace Mkpkg
