// The data.z package format, shared by the installer's loader and the
// package tool so that the reader and the writer cannot drift apart.
//
//   offset 0        int32   version, always 2
//   4               char[]  KeyFileName, zero-terminated (main program file)
//                   char[]  Title, zero-terminated
//                   char[]  FolderName, zero-terminated
//                   int32   RequiredSize, bytes the installation needs
//   header end      records, up to the end of the file:
//     0  name\0               directory: enter it (creating one level)
//     1                       leave: go up one level
//     2  name\0 int32 L data  file: create it with L bytes of data
//
// Integers are little-endian and unaligned. Strings are 8-bit text in the
// installer's ANSI code page. There is no count, end marker or checksum.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace Package {

constexpr int32_t Version = 2;
constexpr int MinimumSize = 11;  // version, three empty strings, RequiredSize

enum RecordKind : uint8_t { KindDirectory = 0, KindLeave = 1, KindFile = 2 };

int32_t ReadInt32(const uint8_t* p);
void AppendInt32(std::string& out, int32_t value);

struct Header {
  std::string KeyFileName;
  std::string Title;
  std::string FolderName;
  int32_t RequiredSize = 0;
  size_t StreamOffset = 0;  // where the first record starts
};

// Bytes of a header and of each record, for whoever writes packages.
std::string EncodeHeader(const std::string& keyFileName, const std::string& title,
                         const std::string& folderName, int32_t requiredSize);
std::string EncodeDirectoryRecord(const std::string& name);
std::string EncodeLeaveRecord();
// Everything of a file record before its data bytes.
std::string EncodeFileRecordStart(const std::string& name, int32_t dataSize);

// The key file is recognised with ASCII letters compared without case;
// every other byte (Cyrillic letters included) must match exactly.
bool KeyNameMatches(const std::string& name, const std::string& keyFileName);

// Why a record name may not be written to disk: it is empty, absolute
// (leading slash or backslash), holds a colon (drive, stream) or a character
// that Windows refuses in names (< > " ? * and controls), holds a ".."
// component, a component ending in a dot or a space (Windows would make
// another name of it), or one that names a reserved device. Slash and
// backslash both separate components. Empty result when the name is fine.
std::string NameProblem(const std::string& name);

// The rules for one component, which the package tool applies to each name
// it packs: Windows drops a trailing dot or space when it makes a name, and
// CON, NUL, COM1, ... (whatever their extension) are devices.
bool EndsInDotOrSpace(const std::string& component);
bool IsReservedDeviceName(const std::string& component);

// Levels a directory record enters: its components other than "" and ".".
int EnteredLevels(const std::string& name);

enum class CheckStatus { Sound, BadVersion, Damaged };

struct CheckResult {
  CheckStatus Status = CheckStatus::Damaged;
  Header Head;                 // decoded as far as the check got
  std::string Problem;         // what is wrong (Damaged only)
  size_t ProblemOffset = 0;    // where it is (Damaged only)
  // Facts about the stream, for reports beyond the installer's own checks.
  bool KeyPresent = false;         // a file record matches KeyFileName
  int FinalDepth = 0;              // entered levels minus leave records
  bool BadKind = false;            // the check stopped at an unknown kind byte
  size_t BadKindOffset = 0;
  std::string RootDirName;         // name of the first directory record
};

// One record of the stream as the check met it (a leave record has no name
// and no data).
struct RecordInfo {
  RecordKind Kind = KindLeave;
  size_t Offset = 0;      // of the kind byte
  std::string Name;
  int32_t DataSize = 0;   // file records only
  size_t DataOffset = 0;  // file records only
};
using RecordVisitor = std::function<void(const RecordInfo&)>;

// Decodes the header and walks the record stream without reading a byte
// outside [data, data + size). Stops at the first unknown kind byte: what
// follows it is never replayed. When given, visit sees every record that
// passed the check, in stream order, before the check goes on.
CheckResult CheckPackage(const uint8_t* data, size_t size);
CheckResult CheckPackage(const uint8_t* data, size_t size, const RecordVisitor& visit);

// "<problem> at byte offset <n>": the second line of the loader's message.
std::string DescribeProblem(const CheckResult& result);

}  // namespace Package
