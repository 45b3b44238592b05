#include "Sha256.h"

#include <windows.h>

#include <bcrypt.h>
#include <wincrypt.h>

#include <algorithm>

#include "Errors.h"
#include "HexText.h"

class TSha256::TImplementation {
 public:
  virtual ~TImplementation() = default;
  virtual void Add(const uint8_t* bytes, ULONG count) = 0;
  virtual TSha256Digest Finish() = 0;
  virtual TSha256Digest DigestSoFar() const = 0;
  virtual const char* Name() const = 0;
};

namespace {

[[noreturn]] void Failed(const char* call) { throw Exception(std::string("SHA-256: ") + call + " failed"); }

// CNG's functions, looked up at run time: bcrypt.dll is no known DLL, and an
// import would let a bcrypt.dll beside setup.exe be loaded in its place.
struct TCngFunctions {
  decltype(&BCryptOpenAlgorithmProvider) OpenAlgorithmProvider;
  decltype(&BCryptGetProperty) GetProperty;
  decltype(&BCryptCreateHash) CreateHash;
  decltype(&BCryptHashData) HashData;
  decltype(&BCryptFinishHash) FinishHash;
  decltype(&BCryptDuplicateHash) DuplicateHash;
  decltype(&BCryptDestroyHash) DestroyHash;
  decltype(&BCryptCloseAlgorithmProvider) CloseAlgorithmProvider;
};

template <typename Function>
bool LookUp(HMODULE dll, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
  return function != nullptr;
}

// Null when the system has no CNG. The DLL stays loaded for the process.
const TCngFunctions* Cng() {
  static TCngFunctions functions;
  static const TCngFunctions* const found = []() -> const TCngFunctions* {
    // Fails on systems without CNG, and on a Windows 7 without KB2533623,
    // which does not know the flag.
    const HMODULE dll = LoadLibraryExW(L"bcrypt.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!dll) return nullptr;
    TCngFunctions& f = functions;
    const bool all = LookUp(dll, "BCryptOpenAlgorithmProvider", f.OpenAlgorithmProvider) &&
                     LookUp(dll, "BCryptGetProperty", f.GetProperty) &&
                     LookUp(dll, "BCryptCreateHash", f.CreateHash) && LookUp(dll, "BCryptHashData", f.HashData) &&
                     LookUp(dll, "BCryptFinishHash", f.FinishHash) &&
                     LookUp(dll, "BCryptDuplicateHash", f.DuplicateHash) &&
                     LookUp(dll, "BCryptDestroyHash", f.DestroyHash) &&
                     LookUp(dll, "BCryptCloseAlgorithmProvider", f.CloseAlgorithmProvider);
    return all ? &functions : nullptr;
  }();
  return found;
}

class TCngSha256 : public TSha256::TImplementation {
 public:
  explicit TCngSha256(const TCngFunctions& f) : f_(f) {
    if (!BCRYPT_SUCCESS(f_.OpenAlgorithmProvider(&algorithm_, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
      Failed("BCryptOpenAlgorithmProvider");
    // Vista wants the hash object's memory from the caller.
    DWORD objectSize = 0;
    ULONG written = 0;
    if (!BCRYPT_SUCCESS(f_.GetProperty(algorithm_, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&objectSize),
                                       sizeof objectSize, &written, 0))) {
      Close();
      Failed("BCryptGetProperty");
    }
    objectSize_ = objectSize;
    object_ = std::make_unique<UCHAR[]>(objectSize);
    if (!BCRYPT_SUCCESS(f_.CreateHash(algorithm_, &hash_, object_.get(), objectSize, nullptr, 0, 0))) {
      Close();
      Failed("BCryptCreateHash");
    }
  }
  ~TCngSha256() override { Close(); }

  void Add(const uint8_t* bytes, ULONG count) override {
    if (!BCRYPT_SUCCESS(f_.HashData(hash_, const_cast<PUCHAR>(bytes), count, 0))) Failed("BCryptHashData");
  }
  TSha256Digest Finish() override { return FinishHash(hash_); }
  // A copy of the hash is finished instead.
  TSha256Digest DigestSoFar() const override {
    const std::unique_ptr<UCHAR[]> object = std::make_unique<UCHAR[]>(objectSize_);
    BCRYPT_HASH_HANDLE copy = nullptr;
    if (!BCRYPT_SUCCESS(f_.DuplicateHash(hash_, &copy, object.get(), objectSize_, 0))) Failed("BCryptDuplicateHash");
    struct TDestroy {
      const TCngFunctions& f;
      BCRYPT_HASH_HANDLE hash;
      ~TDestroy() { f.DestroyHash(hash); }
    } destroy{f_, copy};
    return FinishHash(copy);
  }
  const char* Name() const override { return "CNG"; }

 private:
  void Close() {
    if (hash_) f_.DestroyHash(hash_);
    if (algorithm_) f_.CloseAlgorithmProvider(algorithm_, 0);
    hash_ = nullptr;
    algorithm_ = nullptr;
  }

  TSha256Digest FinishHash(BCRYPT_HASH_HANDLE hash) const {
    TSha256Digest digest{};
    if (!BCRYPT_SUCCESS(f_.FinishHash(hash, digest.data(), ULONG(digest.size()), 0))) Failed("BCryptFinishHash");
    return digest;
  }

  const TCngFunctions& f_;
  BCRYPT_ALG_HANDLE algorithm_ = nullptr;
  BCRYPT_HASH_HANDLE hash_ = nullptr;
  ULONG objectSize_ = 0;
  std::unique_ptr<UCHAR[]> object_;
};

class TCryptoApiSha256 : public TSha256::TImplementation {
 public:
  TCryptoApiSha256() {
    // The AES provider type is the one that has SHA-256 (XP SP3 on).
    if (!CryptAcquireContextW(&provider_, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
      Failed("CryptAcquireContext");
    if (!CryptCreateHash(provider_, CALG_SHA_256, 0, 0, &hash_)) {
      CryptReleaseContext(provider_, 0);
      Failed("CryptCreateHash");
    }
  }
  ~TCryptoApiSha256() override {
    CryptDestroyHash(hash_);
    CryptReleaseContext(provider_, 0);
  }

  void Add(const uint8_t* bytes, ULONG count) override {
    if (!CryptHashData(hash_, bytes, count, 0)) Failed("CryptHashData");
  }
  TSha256Digest Finish() override { return HashValue(hash_); }
  // A copy of the hash is finished instead.
  TSha256Digest DigestSoFar() const override {
    HCRYPTHASH copy = 0;
    if (!CryptDuplicateHash(hash_, nullptr, 0, &copy)) Failed("CryptDuplicateHash");
    struct TDestroy {
      HCRYPTHASH hash;
      ~TDestroy() { CryptDestroyHash(hash); }
    } destroy{copy};
    return HashValue(copy);
  }
  const char* Name() const override { return "CryptoAPI"; }

 private:
  static TSha256Digest HashValue(HCRYPTHASH hash) {
    TSha256Digest digest{};
    DWORD size = DWORD(digest.size());
    if (!CryptGetHashParam(hash, HP_HASHVAL, digest.data(), &size, 0) || size != digest.size())
      Failed("CryptGetHashParam");
    return digest;
  }

  HCRYPTPROV provider_ = 0;
  HCRYPTHASH hash_ = 0;
};

}  // namespace

TSha256::TSha256(TProvider provider) {
  const TCngFunctions* cng = provider == TProvider::Any ? Cng() : nullptr;
  if (cng)
    impl_ = std::make_unique<TCngSha256>(*cng);
  else
    impl_ = std::make_unique<TCryptoApiSha256>();
}

TSha256::~TSha256() = default;

void TSha256::Add(const void* bytes, size_t count) {
  const uint8_t* at = static_cast<const uint8_t*>(bytes);
  // Both take 32-bit counts.
  while (count > 0) {
    const ULONG piece = ULONG(std::min<size_t>(count, size_t(1) << 30));
    impl_->Add(at, piece);
    at += piece;
    count -= piece;
  }
}

TSha256Digest TSha256::Finish() { return impl_->Finish(); }

TSha256Digest TSha256::DigestSoFar() const { return impl_->DigestSoFar(); }

const char* TSha256::ProviderName() const { return impl_->Name(); }

std::string DigestText(const TSha256Digest& digest) { return LowerHexBytes(digest.data(), digest.size()); }

bool ParseDigestText(const std::string& text, TSha256Digest& digest) {
  if (text.size() != 2 * digest.size()) return false;
  auto value = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  for (size_t i = 0; i < digest.size(); ++i) {
    const int high = value(text[2 * i]), low = value(text[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    digest[i] = uint8_t(high << 4 | low);
  }
  return true;
}
