// Finds the unwind-table entry for a code address: what the C++ exception
// unwinder asks for at each frame it passes. Linked into setup.exe in place
// of the runtime's own lookup (about 10 KB), which on the first throw sorts
// the table into a search structure guarded by locks. This one walks the
// program's single table from the start: a few microseconds per frame, and
// the program throws only to report an error.
//
// The table is the .eh_frame section in the format the compiler writes:
// records of a 32-bit length (0 ends the table), then a 32-bit identifier
// that is 0 for a common record (CIE) and otherwise, in a frame record (FDE),
// the distance back to its CIE. The CIE says how the FDE's code range is
// encoded.
#include "TargetGuard.h"

// The table and its registration are those of 32-bit x86 with DWARF-2
// unwinding; x86-64 unwinds by Windows' own tables and never asks.
#if !defined(__i386__) || defined(__SEH__)
#error "FrameLookup.cpp is written for 32-bit x86 with DWARF-2 unwinding: build without it (FRAME_LOOKUP=OFF)"
#endif
static_assert(sizeof(void*) == 4 && sizeof(long) == 4, "FrameLookup.cpp is written for a 32-bit target");

#include <cstdint>
#include <cstring>

namespace {

// The table handed over at start-up by the runtime's start-up code.
const uint8_t* g_table = nullptr;
void* g_registration = nullptr;

// Pointer encodings (the "R" and "P" augmentations).
constexpr uint8_t EncodingOmit = 0xFF;
constexpr uint8_t FormatMask = 0x0F, ApplicationMask = 0x70;
constexpr uint8_t PcRelative = 0x10, Aligned = 0x50;

uint32_t Read32(const uint8_t* p) {
  uint32_t value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

// A LEB128 number: seven bits a byte, lowest first; a signed one extends
// the sign bit of its last byte.
uint32_t ReadLeb(const uint8_t*& p, bool isSigned) {
  uint32_t value = 0;
  unsigned shift = 0;
  uint8_t byte;
  do {
    byte = *p++;
    if (shift < 32) value |= uint32_t(byte & 0x7F) << shift;
    shift += 7;
  } while (byte & 0x80);
  if (isSigned && shift < 32 && (byte & 0x40)) value |= ~uint32_t(0) << shift;
  return value;
}
uint32_t ReadUleb(const uint8_t*& p) { return ReadLeb(p, false); }
uint32_t ReadSleb(const uint8_t*& p) { return ReadLeb(p, true); }

// Reads a value in `encoding` at p and moves p past it. Text- and
// data-relative values have a base of 0 in a Windows program.
bool ReadEncoded(uint8_t encoding, const uint8_t*& p, uintptr_t& value) {
  if (encoding == EncodingOmit) return false;
  if ((encoding & ApplicationMask) == Aligned) {
    p = reinterpret_cast<const uint8_t*>((reinterpret_cast<uintptr_t>(p) + 3) & ~uintptr_t(3));
    value = Read32(p);
    p += 4;
    return true;
  }
  const uint8_t* field = p;
  switch (encoding & FormatMask) {
    case 0x00:  // pointer-sized
    case 0x03:  // unsigned 32-bit
    case 0x0B:  // signed 32-bit
      value = Read32(p);
      p += 4;
      break;
    case 0x04:  // 64-bit: the low half is the address
    case 0x0C:
      value = Read32(p);
      p += 8;
      break;
    case 0x02:  // unsigned 16-bit
      value = uint16_t(p[0] | p[1] << 8);
      p += 2;
      break;
    case 0x0A:  // signed 16-bit
      value = uintptr_t(int16_t(p[0] | p[1] << 8));
      p += 2;
      break;
    case 0x01:
      value = ReadUleb(p);
      break;
    case 0x09:
      value = ReadSleb(p);
      break;
    default:
      return false;
  }
  if ((encoding & ApplicationMask) == PcRelative) value += reinterpret_cast<uintptr_t>(field);
  return true;
}

// The encoding of the code ranges in the FDEs of this CIE, or -1 if the CIE
// has an augmentation this reader does not know.
int RangeEncoding(const uint8_t* cie) {
  const uint8_t* p = cie + 8;
  const uint8_t version = *p++;
  const char* augmentation = reinterpret_cast<const char*>(p);
  p += std::strlen(augmentation) + 1;
  if (augmentation[0] != 'z') return augmentation[0] == '\0' ? 0 : -1;
  ReadUleb(p);  // code alignment
  ReadSleb(p);  // data alignment
  if (version == 1)
    ++p;  // return-address register
  else
    ReadUleb(p);
  ReadUleb(p);  // length of the augmentation data
  for (const char* a = augmentation + 1; *a; ++a) {
    switch (*a) {
      case 'R':
        return *p;
      case 'L':  // the exception-table encoding
        ++p;
        break;
      case 'P': {  // the personality routine
        const uint8_t encoding = *p++;
        uintptr_t ignored;
        if (!ReadEncoded(encoding, p, ignored)) return -1;
        break;
      }
      case 'S':  // a signal frame
      case 'B':
        break;
      default:
        return -1;
    }
  }
  return 0;
}

}  // namespace

// The names and layouts the unwinder and the start-up code use.
struct dwarf_eh_bases {
  void* tbase;
  void* dbase;
  void* func;
};

extern "C" {

void __register_frame_info(const void* table, void* registration) {
  const auto* start = static_cast<const uint8_t*>(table);
  if (Read32(start) == 0) return;  // an empty table
  g_table = start;
  g_registration = registration;
}

void* __deregister_frame_info(const void* table) {
  if (table != g_table) return nullptr;
  g_table = nullptr;
  return g_registration;
}

const void* _Unwind_Find_FDE(void* pc, dwarf_eh_bases* bases) {
  if (!g_table) return nullptr;
  const uintptr_t address = reinterpret_cast<uintptr_t>(pc);
  // FDEs of one CIE follow each other: its encoding is read once for them.
  const uint8_t* lastCie = nullptr;
  int encoding = -1;
  for (const uint8_t* record = g_table;;) {
    const uint32_t length = Read32(record);
    if (length == 0 || length == 0xFFFFFFFF) return nullptr;  // the end (64-bit records are not written here)
    const uint8_t* body = record + 4;
    const uint32_t cieDistance = Read32(body);
    if (cieDistance != 0) {
      const uint8_t* cie = body - cieDistance;
      if (cie != lastCie) {
        lastCie = cie;
        encoding = RangeEncoding(cie);
      }
      const uint8_t* p = body + 4;
      uintptr_t begin, size;
      if (encoding >= 0 && ReadEncoded(uint8_t(encoding), p, begin) &&
          ReadEncoded(uint8_t(encoding & FormatMask), p, size)) {
        // The record of a function the linker dropped starts at address 0.
        if (begin != 0 && address >= begin && address - begin < size) {
          bases->tbase = nullptr;
          bases->dbase = nullptr;
          bases->func = reinterpret_cast<void*>(begin);
          return record;
        }
      }
    }
    record = body + length;
  }
}

}  // extern "C"
