// Arbitrary bytes through the package check and through the extractor's
// reading. AddressSanitizer stops the run at the first byte read outside the
// input, which libFuzzer hands over in a heap block of exactly its size.
// Beyond that: the check judges alike whatever the size of the pieces it
// reads in, the header it decodes encodes back to the same bytes, a refusal
// says where, and the extractor's reading (each record checked again, the
// data taken in pieces) ends where the check ended, also when the package
// turns out shorter than its size said.
#include <cstdlib>
#include <cstring>
#include <string>

#include "PackageFormat.h"
#include "PieceReader.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// The check's verdict and every record it let through, as one text.
std::string Verdict(const uint8_t* data, size_t size, size_t pieceSize) {
  Package::TMemorySource source(data, size);
  Package::TPieceReader in(source, size, pieceSize);
  std::string seen;
  const Package::CheckResult r = Package::CheckPackage(in, [&](const Package::RecordInfo& record) {
    seen += std::to_string(record.Kind) + " " + record.Name + " " + std::to_string(record.Offset) + " " +
            std::to_string(record.DataSize) + " " + std::to_string(record.DataOffset) + "\n";
  });
  return std::to_string(int(r.Status)) + " " + r.Problem + " " + std::to_string(r.ProblemOffset) + " " +
         r.Head.KeyFileName + "|" + r.Head.Title + "|" + r.Head.FolderName + " " + std::to_string(r.BadKind) + " " +
         std::to_string(r.BadKindOffset) + " " + std::to_string(r.FinalDepth) + "\n" + seen;
}

// Reads the record stream from pos the way the extractor does: each record
// checked, the file data taken in pieces, up to the end, the first unknown
// kind or a damaged record. The source may end before size. Returns where
// it stopped; damaged tells whether a record was refused.
size_t ReplayStream(const uint8_t* data, size_t available, size_t size, size_t pos, bool& damaged) {
  Package::TMemorySource source(data, available);
  Package::TPieceReader in(source, size, 7);
  in.Seek(pos);
  Package::TRecordCheck check;
  damaged = false;
  for (;;) {
    Package::RecordInfo record;
    switch (check.Next(in, record)) {
      case Package::TRecordCheck::End:
        return in.Pos();
      case Package::TRecordCheck::BadKind:
        return record.Offset;
      case Package::TRecordCheck::Damaged:
        damaged = true;
        Require(check.ProblemOffset() <= size && !check.Problem().empty());
        return check.ProblemOffset();
      case Package::TRecordCheck::Record:
        break;
    }
    if (record.Kind != Package::KindFile) continue;
    size_t taken = 0, expected = record.DataOffset;
    const bool whole = in.Take(size_t(record.DataSize), [&](const uint8_t* piece, size_t count) {
      Require(std::memcmp(piece, data + expected, count) == 0);
      expected += count;
      taken += count;
    });
    Require(expected <= available);
    if (!whole) {
      damaged = true;
      return record.DataOffset;
    }
    Require(taken == size_t(record.DataSize));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Package::CheckResult r = Package::CheckPackage(data, size);
  const std::string verdict = Verdict(data, size, 4096);
  Require(Verdict(data, size, 4) == verdict && Verdict(data, size, 13) == verdict);
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
      bool damaged = true;
      Require(ReplayStream(data, size, size, h.StreamOffset, damaged) == (r.BadKind ? r.BadKindOffset : size));
      Require(!damaged);
      // The same package cut in half after it was measured: the replay stops
      // at the cut or before, and says so unless an unknown kind came first.
      const size_t cut = h.StreamOffset + (size - h.StreamOffset) / 2;
      if (cut < size) {
        const size_t stop = ReplayStream(data, cut, size, h.StreamOffset, damaged);
        Require(stop <= cut && (damaged || r.BadKind));
      }
      break;
    }
  }
  return 0;
}
