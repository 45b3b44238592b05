// The SHA-256 of a package's every byte, taken as the package is read:
// the bytes a read brings in are hashed as they arrive, and those the
// reader steps over (file data the load check skips, what follows an
// unknown record kind) are read here, so that each byte counts once and in
// order whatever the reader skips or reads again. The digest up to the end
// of each aligned block is noted on the way (TBlockDigests).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "PackageBlocks.h"
#include "Sha256.h"

class TPackageDigest {
 public:
  // How the bytes stepped over are read: the package's own reads.
  using ReadFunction = std::function<size_t(size_t offset, uint8_t* into, size_t count)>;
  // Bytes read at a time for those: large, as they are read for nothing else.
  static constexpr size_t CatchUpPieceSize = size_t(1) << 20;

  explicit TPackageDigest(ReadFunction read) : read_(std::move(read)) {}

  // Before a read at offset: hashes what lies between the bytes hashed so
  // far and offset.
  void CatchUp(size_t offset);
  // After it: hashes the part of the bytes read that is new.
  void Read(size_t offset, const uint8_t* bytes, size_t count);
  // Called with the count of bytes hashed so far, after each piece.
  std::function<void(size_t hashed)> OnHashed;

  // The digest of the package's size bytes, reading what is left of them.
  // False when the package ends before them (cut since it was measured).
  bool Finish(size_t size, TSha256Digest& digest);
  // After Finish: the digests up to each block's end.
  TBlockDigests TakeBlocks() { return std::move(blocks_); }

 private:
  // Hashes the bytes that follow those hashed so far.
  void Hash(const uint8_t* bytes, size_t count);

  ReadFunction read_;
  TSha256 sha_;
  TBlockDigests blocks_;
  size_t hashed_ = 0;  // bytes [0, hashed_) are in sha_
  std::unique_ptr<uint8_t[]> buffer_;
  bool shortened_ = false;
};
