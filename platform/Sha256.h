// SHA-256 as Windows computes it: CNG's BCryptHash* where the system has
// them, CryptoAPI's CALG_SHA_256 where it does not (no bcrypt.dll, or a
// Windows 7 without the update that lets a DLL be taken from System32 only).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

using TSha256Digest = std::array<uint8_t, 32>;

class TSha256 {
 public:
  // Which of Windows' implementations computes it. Any is CNG unless the
  // system lacks it; CryptoApi lets a test reach the other one.
  enum class TProvider { Any, CryptoApi };

  // Exception when neither implementation can be opened.
  explicit TSha256(TProvider provider = TProvider::Any);
  ~TSha256();
  TSha256(const TSha256&) = delete;
  TSha256& operator=(const TSha256&) = delete;

  void Add(const void* bytes, size_t count);
  // The digest of everything added; nothing may be added after it.
  TSha256Digest Finish();
  // The digest of what was added so far, as Finish would give it; more may
  // be added after it.
  TSha256Digest DigestSoFar() const;
  // The implementation at work: "CNG" or "CryptoAPI".
  const char* ProviderName() const;

  class TImplementation;

 private:
  std::unique_ptr<TImplementation> impl_;
};

// 64 lower-case hexadecimal digits, as sha256sum prints them.
std::string DigestText(const TSha256Digest& digest);
// The reverse, digits of either case; false unless text is exactly 64 of them.
bool ParseDigestText(const std::string& text, TSha256Digest& digest);
