#include "PackageStream.h"

#include "FileSystem.h"
#include "SystemNameText.h"

TPackageStream::TPackageStream(const std::string& fileName)
    : file_(OpenFileForReading(fileName)), check_(SystemNameText()), checkBeforeRecord_(check_) {
  const int64_t size = FileSizeOf(file_);
  if (uint64_t(size) >= Package::SizeLimit)
    throw Exception(std::string("package of ") + Package::SizeLimitText + " or more");
  // An empty file has no version to test: reading it is reading past the end.
  if (size == 0) throw EInOutError(EInOutError::ShortRead);
  size_ = int32_t(size);
}

size_t TPackageStream::ReadAt(size_t offset, uint8_t* into, size_t count) {
  if (ReadForTest) return ReadForTest(offset, into, count);
  return ::ReadAt(file_, int64_t(offset), into, uint32_t(count));
}

Package::CheckResult TPackageStream::Check() {
  Package::TPieceReader in(*this, size_t(size_), LoadPieceSize);
  const Package::CheckResult result = Package::CheckPackage(in, Package::RecordVisitor(), SystemNameText());
  loadedDigest_ = result.RecordsDigest;
  return result;
}

void TPackageStream::StartExtraction(int32_t pos, size_t pieceSize) {
  if (reader_) {
    check_ = checkBeforeRecord_;
  } else {
    reader_ = std::make_unique<Package::TPieceReader>(*this, size_t(size_), pieceSize);
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
}

void TPackageStream::Damaged(size_t offset, const std::string& problem) {
  throw EBadFormat(Package::DescribeProblem(problem, offset));
}
