// The package checked a block at a time as the extraction reads it. The
// load, as it takes the package's SHA-256, notes the digest of the package
// up to the end of each aligned block (what Finish would give there); the
// extraction hashes the blocks it reads in the same order and hands on no
// byte of a block until the digest up to that block's end is the one
// noted. A block that passes is the one loaded unless SHA-256 itself is
// broken: another block there would give another package of the pinned
// digest. The extraction hashes each byte once, as the load does, and only
// the digests are kept: 32 bytes a MiB, 64 KiB for a package of 2 GiB.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "Errors.h"
#include "PieceReader.h"
#include "Sha256.h"

// A package whose bytes are not those this setup program was built for.
class EForeignPackage : public Exception {
 public:
  EForeignPackage() : Exception("package of another digest") {}
};

struct TBlockDigests {
  static constexpr size_t BlockSize = size_t(1) << 20;
  // The digest of the package's first (i + 1) * BlockSize bytes, the last
  // one that of the whole package.
  std::vector<TSha256Digest> UpToBlockEnd;
  size_t Size = 0;  // the package's, as hashed
};

// The package as the extraction reads it when it must be the one loaded:
// each read is of one whole block (TPieceReader::TPieces::Aligned, in
// pieces of BlockSize), in order, each block once; one the reader steps
// over is read and checked first. A block that differs, one the package
// ends inside and one read again raise EForeignPackage; a read that fails,
// the reader's error.
class TCheckedBlockSource : public Package::TByteSource {
 public:
  using ReadFunction = std::function<size_t(size_t offset, uint8_t* into, size_t count)>;

  TCheckedBlockSource(TBlockDigests digests, ReadFunction read) : digests_(std::move(digests)), read_(std::move(read)) {}

  size_t ReadAt(size_t offset, uint8_t* into, size_t count) override;
  // Reads and checks the blocks not read so far, to the package's end
  // (those after an unknown kind byte): the package is then the one loaded.
  void CheckRest() { CatchUp(digests_.Size); }

 private:
  // Reads the block at offset, the next one, whole into `into` and checks it.
  void ReadChecked(size_t offset, uint8_t* into, size_t count);
  void CatchUp(size_t offset);

  TBlockDigests digests_;
  ReadFunction read_;
  TSha256 sha_;
  size_t checked_ = 0;  // bytes [0, checked_) were read and found as loaded
};
