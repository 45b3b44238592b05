// A TUnPack given the SHA-256 of its package (as a release's setup.exe
// gives it) takes that package and no other: at load, over every byte, the
// file data the load check skips and what follows an unknown record kind
// included; and again at the end of the extraction, over what it read,
// for a package changed since (through the test seam: a held file cannot
// be changed here).
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "Errors.h"
#include "Sha256.h"
#include "TestDirectory.h"
#include "UnPack.h"

namespace {

using Strings = std::vector<std::string>;

const std::string Refusal = "The package \"data.z\" does not belong to this setup program.";

TSha256Digest DigestOf(const std::string& bytes) {
  TSha256 sha;
  sha.Add(bytes.data(), bytes.size());
  return sha.Finish();
}

// The worked example with bytes after an unknown kind byte, which no
// extraction reads.
std::string WithTrailer() { return WorkedExample() + "\x07" + "never replayed"; }

// Reads come from `bytes` instead of the file.
std::function<size_t(size_t, uint8_t*, size_t)> ReadsFrom(const std::string& bytes) {
  return [&bytes](size_t offset, uint8_t* into, size_t count) -> size_t {
    if (offset >= bytes.size()) return 0;
    const size_t n = std::min(count, bytes.size() - offset);
    std::memcpy(into, bytes.data() + offset, n);
    return n;
  };
}

}  // namespace

class PinnedPackage : public TestDirectory {
 protected:
  void TearDown() override {
    Pack.Stream.reset();
    TestDirectory::TearDown();
  }
  TUnPack Pack;
};

TEST_F(PinnedPackage, TakesItsOwnPackageWhateverThePieces) {
  for (const std::string& bytes : {WorkedExample(), WithTrailer()})
    for (size_t pieceSize : {size_t(16), size_t(1) << 20}) {
      SCOPED_TRACE(std::to_string(bytes.size()) + " bytes in pieces of " + std::to_string(pieceSize));
      Messages.clear();
      ClearTarget();
      Pack.Pin = DigestOf(bytes);
      Pack.PieceSize = pieceSize;
      LoadIntoTarget(Pack, bytes);
      EXPECT_TRUE(RunExtract(Pack));
      EXPECT_EQ(TreeOf(Target()), WorkedExampleTree());
      const Strings expected = bytes == WorkedExample() ? Strings{} : Strings{"Bad Command: 07"};
      EXPECT_EQ(Messages, expected);
    }
}

TEST_F(PinnedPackage, RefusesAnyOtherAtLoadWithOneMessage) {
  const std::string own = WithTrailer();
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"a byte of the header", std::string(own).replace(5, 1, "D")},
      {"a byte of file data the load skips", std::string(own).replace(100, 1, "!")},
      {"a byte after the unknown kind", std::string(own).replace(own.size() - 1, 1, "D")},
      {"one byte less", own.substr(0, own.size() - 1)},
      {"one byte more", own + "x"},
      // Refused as not the program's own before it could be found damaged.
      {"another version", std::string("\x03\x00\x00\x00", 4) + own.substr(4)},
      {"cut inside the file data", own.substr(0, 100)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Messages.clear();
    Pack.Pin = DigestOf(own);
    WriteBytes("data.z", c.bytes);
    EXPECT_FALSE(Load(Pack, "data.z"));
    EXPECT_EQ(Messages, Strings{Refusal});
    EXPECT_FALSE(Pack.Stream);
  }
  EXPECT_EQ(TreeOf(Target()), Strings{});
}

TEST_F(PinnedPackage, ChangedSinceTheLoadIsFoundAtTheEndOfTheExtraction) {
  const std::string own = WithTrailer();
  const struct {
    const char* what;
    std::function<void(std::string&)> change;
  } cases[] = {
      {"in the header, which the extraction does not need", [](std::string& b) { b[5] ^= 1; }},
      {"in file data, which every record check passes", [](std::string& b) { b[100] ^= 1; }},
      {"after the unknown kind, which the extraction does not read", [](std::string& b) { b.back() ^= 1; }},
      {"a name leading out of the target, which the record check finds",
       [](std::string& b) { b.replace(42, 10, "..\\evil.tx"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Messages.clear();
    ClearTarget();
    Pack.Pin = DigestOf(own);
    LoadIntoTarget(Pack, own);
    std::string changed = own;
    c.change(changed);
    Pack.Stream->ReadForTest = ReadsFrom(changed);
    EXPECT_TRUE(RunExtract(Pack));
    EXPECT_EQ(Messages, Strings{Refusal});
    EXPECT_TRUE(ReportedProblem);
    EXPECT_FALSE(Pack.Stream);
  }
}

// The retry reads again what it read before the failure: it must not count
// twice.
TEST_F(PinnedPackage, ARetryAfterAReadErrorStillMatches) {
  const std::string own = WorkedExample();
  Pack.Pin = DigestOf(own);
  LoadIntoTarget(Pack, own);
  Pack.PieceSize = 16;
  Pack.Stream->ReadForTest = [&own](size_t offset, uint8_t* into, size_t count) -> size_t {
    if (offset >= 100) throw EInOutError(ERROR_NOT_READY);
    const size_t n = std::min(count, own.size() - offset);
    std::memcpy(into, own.data() + offset, n);
    return n;
  };
  EXPECT_EQ(ExtractError(Pack), ERROR_NOT_READY);
  Pack.Stream->ReadForTest = nullptr;
  ASSERT_TRUE(SetCurrentDirectoryA((Target() + "\\1.0").c_str()));
  TargetDir = Target() + "\\1.0";
  EXPECT_TRUE(RunExtract(Pack));
  EXPECT_TRUE(Messages.empty());
  EXPECT_EQ(TreeOf(Target()), WorkedExampleTree());
}
