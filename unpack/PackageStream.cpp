#include "PackageStream.h"

#include "FileSystem.h"
#include "SystemNameText.h"

TPackageStream::TPackageStream(const std::string& fileName)
    : file_(OpenFileForReading(fileName)), check_(SystemNameText()), checkBeforeRecord_(check_) {
  const int64_t size = FileSizeOf(file_);
  if (uint64_t(size) >= Package::SizeLimit)
    throw Exception(Package::PackageTooLargeProblem());
  // An empty file has no version to test: reading it is reading past the end.
  if (size == 0) throw EInOutError(EInOutError::ShortRead);
  size_ = int32_t(size);
}

size_t TPackageSource::ReadUnhashed(size_t offset, uint8_t* into, size_t count) const {
  if (readForTest_) return readForTest_(offset, into, count);
  return ::ReadAt(file_, int64_t(offset), into, uint32_t(count));
}

size_t TPackageSource::ReadAt(size_t offset, uint8_t* into, size_t count) {
  if (Digest) Digest->CatchUp(offset);
  const size_t read = ReadUnhashed(offset, into, count);
  if (Digest) Digest->Read(offset, into, read);
  return read;
}

bool TPackageStream::DigestMatchesPin() {
  TSha256Digest digest{};
  const bool whole = source_.Digest->Finish(size_t(size_), digest);
  TBlockDigests blocks = source_.Digest->TakeBlocks();
  source_.Digest.reset();
  if (!whole || digest != *Pin) return false;
  checkedSource_ = std::make_unique<TCheckedBlockSource>(
      std::move(blocks), [this](size_t offset, uint8_t* into, size_t count) { return source_.ReadUnhashed(offset, into, count); });
  return true;
}

Package::CheckResult TPackageStream::Check(const Package::RecordVisitor& visit) {
  if (Pin) {
    source_.Digest = std::make_unique<TPackageDigest>(
        [this](size_t offset, uint8_t* into, size_t count) { return source_.ReadUnhashed(offset, into, count); });
    if (OnCheckProgress) source_.Digest->OnHashed = [this](size_t hashed) { OnCheckProgress(int32_t(hashed), size_); };
  }
  Package::TPieceReader in(source_, size_t(size_), LoadPieceSize);
  const Package::CheckResult result = Package::CheckPackage(in, visit, SystemNameText());
  loadedDigest_ = result.RecordsDigest;
  // A package found damaged is hashed to its end too: with a Pin, any
  // other package is told apart from the program's own the same way.
  if (Pin) matchesPin_ = DigestMatchesPin();
  return result;
}

void TPackageStream::StartExtraction(int32_t pos, size_t pieceSize) {
  if (reader_) {
    check_ = checkBeforeRecord_;
  } else {
    // Pinned, each block is read whole and checked against the digest the
    // load took of it: the file may have changed since where sharing is not
    // honoured, and no changed byte may reach a file.
    if (checkedSource_)
      reader_ = std::make_unique<Package::TPieceReader>(*checkedSource_, size_t(size_), TBlockDigests::BlockSize,
                                                        Package::TPieceReader::TPieces::Aligned);
    else
      reader_ = std::make_unique<Package::TPieceReader>(source_, size_t(size_), pieceSize);
    checkBeforeRecord_ = check_;
  }
  reader_->Seek(size_t(pos));
}

Package::TRecordCheck::Outcome TPackageStream::NextRecord(Package::RecordInfo& record) {
  checkBeforeRecord_ = check_;
  const Package::TRecordCheck::Outcome outcome = check_.Next(*reader_, record);
  if (outcome == Package::TRecordCheck::Damaged) Damaged(check_.ProblemOffset(), check_.Problem());
  return outcome;
}

void TPackageStream::TakeData(const Package::RecordInfo& record, const Package::TPieceReader::PieceSink& take) {
  // The check made sure the data fits the package's size; only a package
  // cut since then ends before it.
  if (!reader_->Take(size_t(record.DataSize), take))
    Damaged(record.DataOffset, Package::DataPastEndProblem(record.Name, check_.Text()));
}

void TPackageStream::RequireRecordsAsLoaded() {
  if (check_.Digest() != loadedDigest_) Damaged(reader_->Pos(), Package::ChangedSinceLoadProblem);
  if (checkedSource_) checkedSource_->CheckRest();
}

void TPackageStream::Damaged(size_t offset, const std::string& problem) {
  throw EBadFormat(Package::DescribeProblem(problem, offset));
}
