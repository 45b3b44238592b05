// The package as the installer holds it from load to the end of extraction:
// open read-only, with others allowed to read it but not to write, cut,
// rename or delete it, so that what the load checked is what the extraction
// reads. It is read in pieces of a bounded size, never whole, and every
// record is checked again as the extraction reads it, by the load's own
// check: a package changed anyway (on a share that ignores sharing, say)
// ends as damaged, never with a read past its end, a name outside the target
// or file data taken for records.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <optional>

#include "Errors.h"
#include "Handle.h"
#include "PackageBlocks.h"
#include "PackageDigest.h"
#include "PackageFormat.h"
#include "PieceReader.h"

// A package found damaged while it is extracted: Message is the problem
// and where it is, as the load reports it.
class EBadFormat : public Exception {
 public:
  using Exception::Exception;
};

// The held file as the piece readers read it. While Digest is set, it is
// given every byte read, those the readers skipped over first.
class TPackageSource : public Package::TByteSource {
 public:
  using ReadFunction = std::function<size_t(size_t offset, uint8_t* into, size_t count)>;

  // readForTest, whenever it is set, is read instead of the file.
  TPackageSource(const THandle& file, const ReadFunction& readForTest) : file_(file), readForTest_(readForTest) {}

  size_t ReadAt(size_t offset, uint8_t* into, size_t count) override;
  // The same bytes, not handed to Digest: what it reads to catch up.
  size_t ReadUnhashed(size_t offset, uint8_t* into, size_t count) const;

  std::unique_ptr<TPackageDigest> Digest;

 private:
  const THandle& file_;
  const ReadFunction& readForTest_;
};

class TPackageStream {
 public:
  // Bytes the load reads at a time: a record's fields, and with them those
  // of the records after it while their files are small; larger data is
  // skipped. Loading 3,000 files of 500 MiB under Wine took 7 ms more than
  // a tiny package this way, 11 ms with 4 KiB and 64 KiB.
  static constexpr size_t LoadPieceSize = 16384;

  // Opens and holds the file. EInOutError when it cannot be opened or is
  // empty, Exception when it is too large for the format.
  explicit TPackageStream(const std::string& fileName);
  // Its source reads its file and its test seam where they are.
  TPackageStream(const TPackageStream&) = delete;
  TPackageStream& operator=(const TPackageStream&) = delete;

  int32_t Size() const { return size_; }

  // The SHA-256 the package must have, when the setup program names one:
  // set before Check, which hashes every byte, and the digest of each
  // block with it, against which the extraction checks each block it reads.
  std::optional<TSha256Digest> Pin;

  // The load's check: the header and every record, the file data skipped
  // (read only to be hashed, with a Pin).
  Package::CheckResult Check(const Package::RecordVisitor& visit = Package::RecordVisitor());
  // With a Pin, called as Check hashes the package: bytes hashed, of Size().
  std::function<void(int32_t done, int32_t total)> OnCheckProgress;
  // After Check: false when there is a Pin and the package's digest is
  // another one.
  bool MatchesPin() const { return matchesPin_; }

  // Extraction reads from pos, in pieces of pieceSize bytes; with a Pin,
  // in whole blocks (TBlockDigests::BlockSize), each checked before any of
  // its bytes is handed on: EForeignPackage from any read when one differs.
  // On a second call, after a failure, pos is the record that failed: the
  // extraction goes on from there with the check as it stood before that
  // record.
  void StartExtraction(int32_t pos, size_t pieceSize);
  // The record at the extraction's position, checked. Record or BadKind
  // (End once the package is read); EBadFormat when it is damaged.
  Package::TRecordCheck::Outcome NextRecord(Package::RecordInfo& record);
  // The data of the file record just read, a piece at a time, in order;
  // EBadFormat when the package ends first.
  void TakeData(const Package::RecordInfo& record, const Package::TPieceReader::PieceSink& take);
  // Where the extraction's records end (the package's end, an unknown kind
  // byte): EBadFormat unless they were the records the load checked;
  // with a Pin, EForeignPackage unless the blocks it never needed are
  // those loaded too.
  void RequireRecordsAsLoaded();
  int32_t Pos() const { return int32_t(reader_->Pos()); }

  // Test seam: when set, reads come from here instead of the file. Lets a
  // test show what a package that changes, or fails to read, while it is
  // held does to the extraction: a held file cannot be changed here.
  TPackageSource::ReadFunction ReadForTest;

 private:
  [[noreturn]] void Damaged(size_t offset, const std::string& problem);
  bool DigestMatchesPin();

  THandle file_;
  TPackageSource source_{file_, ReadForTest};
  int32_t size_ = 0;
  std::unique_ptr<TCheckedBlockSource> checkedSource_;  // with a Pin, once it matched
  std::unique_ptr<Package::TPieceReader> reader_;       // the extraction's
  uint64_t loadedDigest_ = 0;  // of the records the load checked
  Package::TRecordCheck check_;
  Package::TRecordCheck checkBeforeRecord_;  // as it stood before the record last begun
  bool matchesPin_ = true;
};
