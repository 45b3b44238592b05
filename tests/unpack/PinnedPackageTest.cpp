// A TUnPack given the SHA-256 of its package (as a release's setup.exe
// gives it) takes that package and no other: at load, over every byte, the
// file data the load check skips and what follows an unknown record kind
// included; and as it extracts, block by block against the digests the
// load took, so that a package changed since (through the test seam: a
// held file cannot be changed here) has none of its changed bytes written.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>

#include "Errors.h"
#include "Sha256.h"
#include "TestDirectory.h"
#include "UnPack.h"

namespace {

using Strings = std::vector<std::string>;

const std::string Refusal = "The package \"data.z\" does not belong to this setup program.";
constexpr size_t Block = TBlockDigests::BlockSize;

TSha256Digest DigestOf(const std::string& bytes) {
  TSha256 sha;
  sha.Add(bytes.data(), bytes.size());
  return sha.Finish();
}

// The worked example with bytes after an unknown kind byte, which no
// extraction reads.
std::string WithTrailer() { return WorkedExample() + "\x07" + "never replayed"; }

// Bytes that do not repeat within a few MiB, so that a changed one is told
// apart wherever it lands.
std::string Data(size_t size, uint32_t seed) {
  std::string data(size, '\0');
  for (char& c : data) {
    seed = seed * 1664525 + 1013904223;
    c = char(seed >> 24);
  }
  return data;
}

// A package of several blocks: big.bin's data reaches to `shift` bytes
// before the first block's end, where demo.exe's record starts, so that its
// fields lie across the two blocks; after.bin fills the second block and
// more, and a trailer after an unknown kind byte lies in blocks of its own.
struct TBlocksPackage {
  std::string Bytes;
  std::map<std::string, std::string> Files;  // by name, their data
};
TBlocksPackage BlocksPackage(size_t shift, bool trailer = false) {
  TBlocksPackage package;
  const std::string head = DemoHeader() + DirRecord("1.0");
  const size_t bigStart = head.size() + FileRecord("big.bin", "").size();
  package.Files = {{"big.bin", Data(Block - shift - bigStart, 1)}, {"demo.exe", DemoExeData()}, {"after.bin", Data(Block + 1000, 2)}};
  package.Bytes = head + FileRecord("big.bin", package.Files["big.bin"]) + FileRecord("demo.exe", DemoExeData()) +
                  FileRecord("after.bin", package.Files["after.bin"]) + LeaveRecord();
  if (trailer) package.Bytes += "\x07" + Data(Block + Block / 2, 3);
  return package;
}
const Strings blocksTree = {"1.0\\", "1.0\\after.bin", "1.0\\big.bin", "1.0\\demo.exe"};

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

TEST_F(PinnedPackage, TakesItsOwnPackageWhereverItsBlocksEnd) {
  for (const std::string& bytes : {WorkedExample(), WithTrailer()}) {
    SCOPED_TRACE(std::to_string(bytes.size()) + " bytes");
    Messages.clear();
    ClearTarget();
    Pack.Pin = DigestOf(bytes);
    LoadIntoTarget(Pack, bytes);
    EXPECT_TRUE(RunExtract(Pack));
    EXPECT_EQ(TreeOf(Target()), WorkedExampleTree());
    const Strings expected = bytes == WorkedExample() ? Strings{} : Strings{"Bad Command: 07"};
    EXPECT_EQ(Messages, expected);
  }
  // demo.exe's record starts this many bytes before the first block ends.
  const struct {
    const char* what;
    size_t shift;
  } across[] = {
      {"its size field across the blocks", 12},
      {"its name across the blocks", 5},
      {"its kind byte last in the block", 1},
      {"its record first in the next block", 0},
  };
  for (const auto& c : across) {
    SCOPED_TRACE(c.what);
    Messages.clear();
    ClearTarget();
    const TBlocksPackage package = BlocksPackage(c.shift, true);
    Pack.Pin = DigestOf(package.Bytes);
    LoadIntoTarget(Pack, package.Bytes);
    EXPECT_TRUE(RunExtract(Pack));
    EXPECT_EQ(Messages, Strings{"Bad Command: 07"});
    EXPECT_EQ(TreeOf(Target()), blocksTree);
    for (const auto& [name, data] : package.Files) EXPECT_TRUE(ReadBytes(Target() + "\\1.0\\" + name) == data) << name;
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

// Every piece handed to a file is compared with the file's data in the
// package as loaded: no changed byte may ever reach a file, not even one
// the take-back would remove afterwards.
TEST_F(PinnedPackage, ChangedSinceTheLoadHasNoneOfItsChangesWritten) {
  const TBlocksPackage own = BlocksPackage(12, true);
  const size_t bigName = DemoHeader().size() + DirRecord("1.0").size() + 1;
  const size_t afterData = own.Bytes.size() - (1 + Block + Block / 2) - 1 - own.Files.at("after.bin").size();
  const struct {
    const char* what;
    std::function<void(std::string&)> change;
  } cases[] = {
      {"in the header, which no file holds", [](std::string& b) { b[5] ^= 1; }},
      {"in big.bin's data, in the first block", [](std::string& b) { b[Block / 2] ^= 1; }},
      {"in demo.exe's size, across the blocks", [](std::string& b) { b[Block - 1] ^= 1; }},
      {"in after.bin's data, in the second block", [&](std::string& b) { b[afterData + Block - 100] ^= 1; }},
      {"in after.bin's data, in the third block", [&](std::string& b) { b[afterData + Block + 10] ^= 1; }},
      {"after the unknown kind, which the extraction does not need", [](std::string& b) { b[b.size() - 10] ^= 1; }},
      {"cut inside after.bin's data", [&](std::string& b) { b.resize(afterData + Block + 500); }},
      {"big.bin's name leading out of the target", [&](std::string& b) { b.replace(bigName, 7, "..\\x.bi"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Messages.clear();
    ClearTarget();
    Pack.Pin = DigestOf(own.Bytes);
    LoadIntoTarget(Pack, own.Bytes);
    std::string changed = own.Bytes;
    c.change(changed);
    Pack.Stream->ReadForTest = ReadsFrom(changed);
    std::map<std::string, std::string> written;
    Pack.WriteForTest = [&](const std::string& name, const uint8_t* piece, size_t count) {
      written[name].append(reinterpret_cast<const char*>(piece), count);
    };
    EXPECT_TRUE(RunExtract(Pack));
    EXPECT_EQ(Messages, Strings{Refusal});
    EXPECT_TRUE(ReportedProblem);
    EXPECT_FALSE(Pack.Stream);
    for (const auto& [name, data] : written) {
      const std::string& loaded = own.Files.at(name);
      EXPECT_TRUE(data.size() <= loaded.size() && loaded.compare(0, data.size(), data) == 0)
          << name << ": " << data.size() << " bytes written, not all of them loaded";
    }
    // What is left (nothing takes it back here) is the package's as loaded.
    for (const std::string& path : TreeOf(Target())) {
      if (path.back() == '\\') continue;  // a folder
      EXPECT_TRUE(ReadBytes(Target() + "\\" + path) == own.Files.at(path.substr(4))) << path;
    }
  }
}

// A retry would read the package again after an error: pinned, Extract
// lets go of it instead, and a second one finds nothing to extract.
TEST_F(PinnedPackage, ARetryAfterAReadErrorIsRefused) {
  const TBlocksPackage own = BlocksPackage(12);
  Pack.Pin = DigestOf(own.Bytes);
  LoadIntoTarget(Pack, own.Bytes);
  Pack.Stream->ReadForTest = [&own](size_t offset, uint8_t* into, size_t count) -> size_t {
    if (offset >= Block) throw EInOutError(ERROR_NOT_READY);
    const size_t n = std::min(count, own.Bytes.size() - offset);
    std::memcpy(into, own.Bytes.data() + offset, n);
    return n;
  };
  EXPECT_EQ(ExtractError(Pack), ERROR_NOT_READY);
  EXPECT_FALSE(Pack.Stream);
  EXPECT_EQ(TreeOf(Target()), (Strings{"1.0\\", "1.0\\big.bin"}));
  EXPECT_FALSE(RunExtract(Pack));
  EXPECT_TRUE(Messages.empty());
  EXPECT_EQ(TreeOf(Target()), (Strings{"1.0\\", "1.0\\big.bin"}));
}
