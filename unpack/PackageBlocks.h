// The package checked a block at a time as the extraction reads it: the
// load takes the SHA-256 of each aligned block with the package's own
// digest, and the extraction hands on no byte of a block read again until
// that block is found to be the one hashed then. Only the digests are kept:
// 32 bytes a MiB, 64 KiB for a package of 2 GiB.
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

class TBlockDigests {
 public:
  static constexpr size_t BlockSize = size_t(1) << 20;

  // The package's bytes, in order from its first.
  void Add(const uint8_t* bytes, size_t count);
  // After the last byte: the shorter last block is hashed too.
  void Finish();

  // The package's size as added.
  size_t Size() const { return added_; }
  size_t Count() const { return digests_.size(); }
  // Whether bytes are the whole block that starts at offset, as added.
  bool Matches(size_t offset, const uint8_t* bytes, size_t count) const;

 private:
  std::vector<TSha256Digest> digests_;
  std::unique_ptr<TSha256> block_;  // of the block being added
  size_t added_ = 0;
};

// The package as the extraction reads it when it must be the one loaded:
// each read is of one whole block (TPieceReader::TPieces::Aligned, in
// pieces of BlockSize) and returns only once the block matches its digest.
// A block that differs, or that the package ends inside, raises
// EForeignPackage; a read that fails, the reader's error.
class TCheckedBlockSource : public Package::TByteSource {
 public:
  using ReadFunction = std::function<size_t(size_t offset, uint8_t* into, size_t count)>;

  TCheckedBlockSource(TBlockDigests digests, ReadFunction read)
      : digests_(std::move(digests)), read_(std::move(read)), checked_(digests_.Count()) {}

  size_t ReadAt(size_t offset, uint8_t* into, size_t count) override;
  // Checks every block not read so far (what comes before the first record
  // and after an unknown kind byte): the whole package is then the one loaded.
  void CheckUnread();

 private:
  // Reads the block at offset whole into `into` and checks it.
  void ReadChecked(size_t offset, uint8_t* into, size_t count);

  TBlockDigests digests_;
  ReadFunction read_;
  std::vector<bool> checked_;
};
