#include "PieceReader.h"

#include <algorithm>
#include <cstring>

namespace Package {

int32_t ReadInt32(const uint8_t* p) {
  const uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  return int32_t(v);
}

void AppendInt32(std::string& out, int32_t value) {
  const uint32_t v = uint32_t(value);
  for (int shift = 0; shift < 32; shift += 8) out.push_back(char((v >> shift) & 0xFF));
}

size_t TMemorySource::ReadAt(size_t offset, uint8_t* into, size_t count) {
  if (offset >= size_) return 0;
  const size_t n = std::min(count, size_ - offset);
  std::memcpy(into, data_ + offset, n);
  return n;
}

// A piece holds at least an integer field: Fill is never asked for more.
// Aligned, the buffer also holds the start of a field across two pieces
// before the whole next piece.
TPieceReader::TPieceReader(TByteSource& source, size_t size, size_t pieceSize, TPieces pieces)
    : source_(source),
      end_(size),
      pieceSize_(std::max(pieceSize, Int32Size)),
      aligned_(pieces == TPieces::Aligned),
      buffer_(new uint8_t[pieceSize_ + (aligned_ ? Int32Size - 1 : 0)]) {}

bool TPieceReader::Fill(size_t count) {
  while (Buffered() < count) {
    if (count > Remaining()) return false;
    // What is left of the piece moves to the front; the source fills the rest.
    const size_t have = Buffered();
    if (have) std::memmove(buffer_.get(), At(), have);
    start_ = pos_;
    filled_ = have;
    if (!aligned_) {
      ReadIntoBuffer(start_ + filled_, std::min(pieceSize_, end_ - start_) - filled_);
      continue;
    }
    // The buffer ended where a piece ends; with nothing left, the piece the
    // cursor is in is read from its start.
    if (!have) start_ -= pos_ % pieceSize_;
    const size_t at = start_ + filled_;
    ReadIntoBuffer(at, std::min(pieceSize_, end_ - at));
  }
  return true;
}

void TPieceReader::ReadIntoBuffer(size_t offset, size_t count) {
  for (size_t read = 0; read < count;) {
    const size_t got = source_.ReadAt(offset + read, buffer_.get() + filled_, count - read);
    if (got == 0) {
      end_ = start_ + filled_;
      shortened_ = true;
      return;
    }
    filled_ += got;
    read += got;
  }
}

bool TPieceReader::Byte(uint8_t& out) {
  if (!Fill(1)) return false;
  out = *At();
  ++pos_;
  return true;
}

TPieceReader::StringOutcome TPieceReader::String(std::string& out, size_t maxLength) {
  const size_t from = pos_;
  out.clear();
  while (Fill(1)) {
    const uint8_t* piece = At();
    // One byte past the limit is enough to know the string is too long.
    const size_t have = std::min(Buffered(), maxLength + 1 - out.size());
    const void* zero = std::memchr(piece, 0, have);
    const size_t length = zero ? size_t(static_cast<const uint8_t*>(zero) - piece) : have;
    out.append(reinterpret_cast<const char*>(piece), length);
    pos_ += length;
    if (zero) {
      ++pos_;
      return StringRead;
    }
    if (out.size() > maxLength) {
      pos_ = from;
      return StringTooLong;
    }
  }
  pos_ = from;
  return StringUnended;
}

bool TPieceReader::Int32(int32_t& out) {
  if (!Fill(Int32Size)) return false;
  out = ReadInt32(At());
  pos_ += Int32Size;
  return true;
}

void TPieceReader::Skip(size_t count) { pos_ += std::min(count, Remaining()); }

bool TPieceReader::Take(size_t count, const PieceSink& take) {
  if (count > Remaining()) return false;
  while (count) {
    if (!Fill(1)) return false;
    const size_t n = std::min(count, Buffered());
    take(At(), n);
    pos_ += n;
    count -= n;
  }
  return true;
}

void TPieceReader::Seek(size_t pos) { pos_ = pos; }

}  // namespace Package
