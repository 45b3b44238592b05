// Arbitrary bytes through the package check. AddressSanitizer stops the run
// at the first byte read outside the input, which libFuzzer hands over in a
// heap block of exactly its size. Beyond that: what the check accepts must
// be safe for the extractor's unchecked reading, the header it decodes must
// encode back to the same bytes, and a refusal must say where.
#include <cstdlib>
#include <cstring>

#include "PackageFormat.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// Reads the record stream the way the installer's extractor does once the
// package was accepted: names up to their zero byte, sizes taken as they
// stand, up to the end or the first unknown kind. Returns where it stopped.
size_t ReplayStream(const uint8_t* data, size_t size, size_t pos) {
  while (pos < size) {
    const uint8_t kind = data[pos];
    if (kind > Package::KindFile) break;
    ++pos;
    if (kind == Package::KindLeave) continue;
    pos += std::strlen(reinterpret_cast<const char*>(data + pos)) + 1;
    if (kind == Package::KindFile) {
      const int32_t length = Package::ReadInt32(data + pos);
      pos += 4 + size_t(length);
    }
  }
  return pos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Package::CheckResult r = Package::CheckPackage(data, size);
  switch (r.Status) {
    case Package::CheckStatus::Damaged:
      Require(!r.Problem.empty() && r.ProblemOffset <= size);
      Require(!Package::DescribeProblem(r).empty());
      break;
    case Package::CheckStatus::BadVersion:
      Require(size >= 4 && Package::ReadInt32(data) != Package::Version);
      break;
    case Package::CheckStatus::Sound: {
      const Package::Header& h = r.Head;
      const std::string header = Package::EncodeHeader(h.KeyFileName, h.Title, h.FolderName, h.RequiredSize);
      Require(header.size() == h.StreamOffset && std::memcmp(header.data(), data, header.size()) == 0);
      Require(ReplayStream(data, size, h.StreamOffset) == (r.BadKind ? r.BadKindOffset : size));
      break;
    }
  }
  return 0;
}
