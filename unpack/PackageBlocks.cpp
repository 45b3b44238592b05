#include "PackageBlocks.h"

#include <algorithm>

size_t TCheckedBlockSource::ReadAt(size_t offset, uint8_t* into, size_t count) {
  // Past the end: the reader asks only for what the package holds.
  if (offset >= digests_.Size) return 0;
  CatchUp(offset);
  ReadChecked(offset, into, count);
  return count;
}

void TCheckedBlockSource::CatchUp(size_t offset) {
  std::unique_ptr<uint8_t[]> buffer;
  while (checked_ < offset) {
    if (!buffer) buffer = std::make_unique<uint8_t[]>(TBlockDigests::BlockSize);
    ReadChecked(checked_, buffer.get(), std::min(TBlockDigests::BlockSize, digests_.Size - checked_));
  }
}

void TCheckedBlockSource::ReadChecked(size_t offset, uint8_t* into, size_t count) {
  // Only the next block, whole, continues the hash: a block read again, or
  // asked for in part, can be checked against nothing.
  const size_t block = offset / TBlockDigests::BlockSize;
  if (offset != checked_ || offset % TBlockDigests::BlockSize ||
      count != std::min(TBlockDigests::BlockSize, digests_.Size - offset))
    throw EForeignPackage();
  size_t read = 0;
  while (read < count) {
    const size_t got = read_(offset + read, into + read, count - read);
    if (got == 0) throw EForeignPackage();  // cut since the load
    read += got;
  }
  sha_.Add(into, count);
  if (sha_.DigestSoFar() != digests_.UpToBlockEnd[block]) throw EForeignPackage();
  checked_ += count;
}
