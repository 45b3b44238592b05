#include "PackageDigest.h"

#include <algorithm>

void TPackageDigest::Hash(const uint8_t* bytes, size_t count) {
  for (size_t at = hashed_; count;) {
    const size_t n = std::min(count, TBlockDigests::BlockSize - at % TBlockDigests::BlockSize);
    sha_.Add(bytes, n);
    bytes += n;
    count -= n;
    at += n;
    if (at % TBlockDigests::BlockSize == 0) blocks_.UpToBlockEnd.push_back(sha_.DigestSoFar());
  }
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
  // The last block, when shorter, ends with the package.
  if (hashed_ % TBlockDigests::BlockSize) blocks_.UpToBlockEnd.push_back(digest);
  blocks_.Size = hashed_;
  return hashed_ >= size && !shortened_;
}
