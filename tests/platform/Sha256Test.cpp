#include "Sha256.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

namespace {

// The standard's own examples, and a million bytes that cross many blocks.
struct KnownDigest {
  std::string input;
  const char* digest;
};
const KnownDigest knownDigests[] = {
    {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
};

std::string DigestInPieces(TSha256::TProvider provider, const std::string& input, size_t pieceSize) {
  TSha256 sha(provider);
  for (size_t at = 0; at < input.size(); at += pieceSize)
    sha.Add(input.data() + at, std::min(pieceSize, input.size() - at));
  return DigestText(sha.Finish());
}

TEST(Sha256, BothProvidersGiveTheKnownDigestsWhateverThePieces) {
  for (const auto provider : {TSha256::TProvider::Any, TSha256::TProvider::CryptoApi})
    for (const KnownDigest& known : knownDigests)
      // Whole, a byte at a time (short inputs only), and pieces that straddle the 64-byte blocks.
      for (size_t pieceSize : {known.input.size() + 1, size_t(1), size_t(63), size_t(65537)}) {
        if (pieceSize == 1 && known.input.size() > 1000) continue;
        EXPECT_EQ(DigestInPieces(provider, known.input, pieceSize), known.digest)
            << "provider " << int(provider) << ", " << known.input.size() << " bytes in pieces of " << pieceSize;
      }
}

// Taken between the pieces, each digest is that of what was added so far,
// and the hash goes on as if it had not been taken.
TEST(Sha256, DigestSoFarIsThatOfWhatWasAddedAndTheHashGoesOn) {
  const std::string& input = knownDigests[3].input;
  for (const auto provider : {TSha256::TProvider::Any, TSha256::TProvider::CryptoApi}) {
    SCOPED_TRACE(int(provider));
    TSha256 sha(provider);
    for (size_t at = 0, piece = 100000; at < input.size(); at += piece) {
      sha.Add(input.data() + at, std::min(piece, input.size() - at));
      const size_t added = std::min(at + piece, input.size());
      EXPECT_EQ(DigestText(sha.DigestSoFar()), DigestInPieces(provider, input.substr(0, added), added + 1)) << added;
    }
    EXPECT_EQ(DigestText(sha.Finish()), knownDigests[3].digest);
  }
}

// Without this the CNG lookup could fail unnoticed behind the fallback.
TEST(Sha256, UsesCngWhereTheSystemHasItAndCryptoApiWhenAskedTo) {
  EXPECT_STREQ(TSha256().ProviderName(), "CNG");
  EXPECT_STREQ(TSha256(TSha256::TProvider::CryptoApi).ProviderName(), "CryptoAPI");
}

TEST(DigestText, ReadsWhatItWritesInEitherCaseAndNothingElse) {
  TSha256Digest digest{};
  for (size_t i = 0; i < digest.size(); ++i) digest[i] = uint8_t(i * 37 + 5);
  const std::string text = DigestText(digest);
  EXPECT_EQ(text.substr(0, 6), "052a4f");
  std::string upper = text;
  for (char& c : upper) c = char(toupper(c));
  for (const std::string& written : {text, upper}) {
    TSha256Digest read{};
    ASSERT_TRUE(ParseDigestText(written, read)) << written;
    EXPECT_EQ(read, digest);
  }
  for (const std::string& wrong : {text.substr(1), text + "0", "g" + text.substr(1), " " + text.substr(1),
                                   std::string()}) {
    TSha256Digest read{};
    EXPECT_FALSE(ParseDigestText(wrong, read)) << '"' << wrong << '"';
  }
}

}  // namespace
