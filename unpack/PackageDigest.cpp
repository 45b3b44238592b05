#include "PackageDigest.h"

#include <algorithm>

void TPackageDigest::Hash(const uint8_t* bytes, size_t count) {
  sha_.Add(bytes, count);
  blocks_.Add(bytes, count);
}

void TPackageDigest::CatchUp(size_t offset) {
  while (hashed_ < offset && !shortened_) {
    if (!buffer_) buffer_ = std::make_unique<uint8_t[]>(CatchUpPieceSize);
    const size_t wanted = std::min(offset - hashed_, CatchUpPieceSize);
    const size_t got = read_(hashed_, buffer_.get(), wanted);
    Hash(buffer_.get(), got);
    hashed_ += got;
    if (got < wanted) shortened_ = true;
    if (OnHashed) OnHashed(hashed_);
  }
}

void TPackageDigest::Read(size_t offset, const uint8_t* bytes, size_t count) {
  if (offset > hashed_ || offset + count <= hashed_) return;
  const size_t skip = hashed_ - offset;
  Hash(bytes + skip, count - skip);
  hashed_ = offset + count;
  if (OnHashed) OnHashed(hashed_);
}

bool TPackageDigest::Finish(size_t size, TSha256Digest& digest) {
  CatchUp(size);
  digest = sha_.Finish();
  blocks_.Finish();
  return hashed_ >= size && !shortened_;
}
