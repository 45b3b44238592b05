#include "PackageBlocks.h"

#include <algorithm>

namespace {

TSha256Digest DigestOf(const uint8_t* bytes, size_t count) {
  TSha256 sha;
  sha.Add(bytes, count);
  return sha.Finish();
}

}  // namespace

void TBlockDigests::Add(const uint8_t* bytes, size_t count) {
  while (count) {
    if (!block_) block_ = std::make_unique<TSha256>();
    const size_t n = std::min(count, BlockSize - added_ % BlockSize);
    block_->Add(bytes, n);
    bytes += n;
    count -= n;
    added_ += n;
    if (added_ % BlockSize == 0) {
      digests_.push_back(block_->Finish());
      block_.reset();
    }
  }
}

void TBlockDigests::Finish() {
  if (!block_) return;
  digests_.push_back(block_->Finish());
  block_.reset();
}

bool TBlockDigests::Matches(size_t offset, const uint8_t* bytes, size_t count) const {
  if (offset % BlockSize || offset >= added_) return false;
  if (count != std::min(BlockSize, added_ - offset)) return false;
  return DigestOf(bytes, count) == digests_[offset / BlockSize];
}

size_t TCheckedBlockSource::ReadAt(size_t offset, uint8_t* into, size_t count) {
  // Past the end: the reader asks only for what the package holds.
  if (offset >= digests_.Size()) return 0;
  ReadChecked(offset, into, count);
  return count;
}

void TCheckedBlockSource::ReadChecked(size_t offset, uint8_t* into, size_t count) {
  size_t read = 0;
  while (read < count) {
    const size_t got = read_(offset + read, into + read, count - read);
    if (got == 0) break;
    read += got;
  }
  // A short block, or one asked for in part, matches no digest.
  if (!digests_.Matches(offset, into, read)) throw EForeignPackage();
  checked_[offset / TBlockDigests::BlockSize] = true;
}

void TCheckedBlockSource::CheckUnread() {
  std::unique_ptr<uint8_t[]> buffer;
  for (size_t block = 0; block < checked_.size(); ++block) {
    if (checked_[block]) continue;
    if (!buffer) buffer = std::make_unique<uint8_t[]>(TBlockDigests::BlockSize);
    const size_t offset = block * TBlockDigests::BlockSize;
    ReadChecked(offset, buffer.get(), std::min(TBlockDigests::BlockSize, digests_.Size() - offset));
  }
}
