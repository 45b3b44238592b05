#include "FileDigest.h"

#include <cstdint>
#include <vector>

#include "Errors.h"
#include "FileIO.h"
#include "PackageFile.h"

#ifdef _WIN32
#include "Sha256.h"
#else
#include <nettle/sha2.h>

#include "HexText.h"
#endif

namespace Mkpkg {

namespace {

#ifdef _WIN32
class Sha256 {
 public:
  void Add(const uint8_t* bytes, size_t count) { sha_.Add(bytes, count); }
  std::string Finish() { return DigestText(sha_.Finish()); }

 private:
  TSha256 sha_;
};
#else
class Sha256 {
 public:
  Sha256() { sha256_init(&context_); }
  void Add(const uint8_t* bytes, size_t count) { sha256_update(&context_, count, bytes); }
  std::string Finish() {
    uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_digest(&context_, sizeof digest, digest);
    return LowerHexBytes(digest, sizeof digest);
  }

 private:
  sha256_ctx context_;
};
#endif

std::string ReadAndHash(std::FILE* in, const fs::path& path) {
  Sha256 sha;
  std::vector<uint8_t> piece(size_t(1) << 20);
  for (;;) {
    const size_t read = std::fread(piece.data(), 1, piece.size(), in);
    sha.Add(piece.data(), read);
    if (read < piece.size()) break;
  }
  if (std::ferror(in)) throw MkpkgError(ShowPath(path) + ": cannot be read completely");
  return sha.Finish();
}

std::string DigestOf(std::FILE* in, const fs::path& path) {
#ifdef _WIN32
  // Windows' hashing raises the installer's own errors, not std::exception.
  try {
    return ReadAndHash(in, path);
  } catch (const MkpkgError&) {
    throw;
  } catch (...) {
    throw MkpkgError(ShowPath(path) + ": Windows computes no SHA-256 here (neither CNG nor CryptoAPI)");
  }
#else
  return ReadAndHash(in, path);
#endif
}

}  // namespace

std::string FileDigest(const std::string& utf8Path) {
  const fs::path path = PathFromUtf8(utf8Path);
  const FileHandle in = OpenPackageFile(path);
  return DigestOf(in.get(), path);
}

std::string DigestLine(const std::string& digest, const std::string& utf8Path) {
  std::string name;
  for (char c : utf8Path) {
    if (c == '\\')
      name += "\\\\";
    else if (c == '\n')
      name += "\\n";
    else
      name.push_back(c);
  }
  return (name == utf8Path ? "" : "\\") + digest + "  " + name + "\n";
}

}  // namespace Mkpkg
