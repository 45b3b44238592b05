// Reading a package front to back in pieces of a bounded size, never past
// the package's end: the one way the package check and the extractor read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace Package {

// The format's integers: 32 bits, little-endian, unaligned.
constexpr size_t Int32Size = 4;
int32_t ReadInt32(const uint8_t* p);
void AppendInt32(std::string& out, int32_t value);

// Where a package's bytes come from. ReadAt reads up to count bytes at
// offset and returns how many it read: fewer only where the source ends.
// A failure raises the source's own error.
class TByteSource {
 public:
  virtual ~TByteSource() = default;
  virtual size_t ReadAt(size_t offset, uint8_t* into, size_t count) = 0;
};

// A package already in memory.
class TMemorySource : public TByteSource {
 public:
  TMemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t ReadAt(size_t offset, uint8_t* into, size_t count) override;

 private:
  const uint8_t* data_;
  size_t size_;
};

// A cursor over [0, size) of a source, with one buffer of pieceSize bytes:
// each read from the source fills it from the cursor on, so that a package
// is read once, in order, whatever its size. A source that ends before size
// (a file cut meanwhile) ends the package there: Shortened() then tells.
// Each field read returns false, the cursor where it stood, when the field
// does not end inside the package.
class TPieceReader {
 public:
  enum StringOutcome { StringRead, StringUnended, StringTooLong };
  // Where the reads of the source start. FromCursor: each where the cursor
  // stands, for a piece. Aligned: each at a multiple of pieceSize, for a
  // whole piece (the last one to the end), so that a source can check each
  // piece as one block; a field across two pieces is read with both.
  enum class TPieces { FromCursor, Aligned };

  TPieceReader(TByteSource& source, size_t size, size_t pieceSize, TPieces pieces = TPieces::FromCursor);

  size_t Pos() const { return pos_; }
  bool AtEnd() const { return pos_ >= end_; }
  size_t Remaining() const { return AtEnd() ? 0 : end_ - pos_; }
  bool Shortened() const { return shortened_; }

  bool Byte(uint8_t& out);
  // Up to its zero byte, which is stepped over. A string longer than
  // maxLength bytes is refused once that many and one more are read, so
  // that a name without its zero costs no more than a name may be; the
  // cursor then stays where it stood, as for one the package ends inside.
  StringOutcome String(std::string& out, size_t maxLength);
  bool Int32(int32_t& out);
  // Steps over count bytes without reading them; count <= Remaining().
  void Skip(size_t count);
  // Hands the next count bytes to take, a piece at a time, in order.
  using PieceSink = std::function<void(const uint8_t* piece, size_t count)>;
  bool Take(size_t count, const PieceSink& take);
  // Goes back (or on) to pos: the extractor's retry of a failed record.
  void Seek(size_t pos);

 private:
  size_t Buffered() const { return pos_ >= start_ && pos_ < start_ + filled_ ? start_ + filled_ - pos_ : 0; }
  const uint8_t* At() const { return buffer_.get() + (pos_ - start_); }
  // Makes at least count bytes (count <= Int32Size) from the cursor on
  // buffered, reading the source for the rest of a piece; false when the
  // package ends first.
  bool Fill(size_t count);
  // Reads count bytes at offset into the buffer after what it holds; where
  // the source ends first, so does the package.
  void ReadIntoBuffer(size_t offset, size_t count);

  TByteSource& source_;
  size_t end_;
  size_t pieceSize_;
  bool aligned_;
  std::unique_ptr<uint8_t[]> buffer_;
  size_t start_ = 0;   // offset of buffer_[0]
  size_t filled_ = 0;  // bytes valid in buffer_
  size_t pos_ = 0;
  bool shortened_ = false;
};

}  // namespace Package
