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
// Sizes and limits are below, with the names to use for them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "PieceReader.h"

namespace Package {

constexpr int32_t Version = 2;

enum RecordKind : uint8_t { KindDirectory = 0, KindLeave = 1, KindFile = 2 };

// Sizes in bytes, for whoever reads or writes packages. Lengths of strings
// are given without their zero byte.
constexpr size_t KindSize = 1;  // Int32Size: PieceReader.h
constexpr uint64_t StringSize(uint64_t length) { return length + 1; }
constexpr uint64_t HeaderSize(uint64_t keyLength, uint64_t titleLength, uint64_t folderLength) {
  return Int32Size + StringSize(keyLength) + StringSize(titleLength) + StringSize(folderLength) + Int32Size;
}
constexpr int MinimumSize = int(HeaderSize(0, 0, 0));  // version, three empty strings, RequiredSize
// The largest RequiredSize a header holds (a signed 32-bit number).
constexpr int32_t RequiredSizeLimit = INT32_MAX;
constexpr uint64_t DirectoryRecordSize(uint64_t nameLength) { return KindSize + StringSize(nameLength); }
constexpr uint64_t LeaveRecordSize = KindSize;
constexpr uint64_t FileRecordSize(uint64_t nameLength, uint64_t dataSize) {
  return KindSize + StringSize(nameLength) + Int32Size + dataSize;
}
// Sizes and positions are signed 32-bit: a package, and so each file in
// it, must stay under 2 GiB. SizeLimit is the first size refused.
constexpr uint64_t SizeLimit = uint64_t(1) << 31;
// What is said of a package at SizeLimit or more ("package of 2 GiB or
// more"), of a file too large for one, and the rule the package tool gives.
std::string PackageTooLargeProblem();
std::string FileTooLargeProblem();  // "a package cannot hold a file of 2 GiB or more"
std::string SizeLimitRule();        // "a package must stay under 2 GiB"
// The longest string a package may hold: the longest path Windows takes.
// A longer one is refused as soon as it is known to be longer.
constexpr size_t StringLengthLimit = 32767;
// Problem texts show at most this many bytes of a name, whole characters.
constexpr size_t ShownNameLength = 80;

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

// How the system reads the bytes of a name as characters. This one, for
// the tools that run anywhere, takes each byte for a character and every
// name for text; the installer supplies its system's code page, whose
// double-byte characters may end in a byte that looks like a backslash.
class TNameText {
 public:
  virtual ~TNameText() = default;
  // Bytes of the character that starts at name[at] (at < name.size()).
  virtual size_t CharacterSize(const std::string& name, size_t at) const;
  // Whether every byte of name belongs to a character of the code page.
  virtual bool IsText(const std::string& name) const;
};
extern const TNameText SingleByteText;

// A name as messages show it: when longer than ShownNameLength, cut short
// after a whole character and marked so. QuotedName adds the quotes.
std::string ShownName(const std::string& name, const TNameText& text = SingleByteText);
std::string QuotedName(const std::string& name, const TNameText& text = SingleByteText);

// Why a record name may not be written to disk: it is empty, absolute
// (leading slash or backslash), holds a colon (drive, stream) or a character
// that Windows refuses in names (< > " ? * and controls), holds a ".."
// component, a component ending in a dot or a space (Windows would make
// another name of it), or one that names a reserved device. Slash and
// backslash both separate components, where a character starts; a name
// that is not text in the code page is refused too. Empty result when the
// name is fine.
std::string NameProblem(const std::string& name, const TNameText& text = SingleByteText);

// The rules for one component, which the package tool applies to each name
// it packs: Windows drops a trailing dot or space when it makes a name, and
// CON, NUL, COM1, ... (whatever their extension) are devices.
bool EndsInDotOrSpace(const std::string& component);
bool IsReservedDeviceName(const std::string& component);

// Levels a directory record enters: its components other than "" and ".".
int EnteredLevels(const std::string& name, const TNameText& text = SingleByteText);

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
  uint64_t RecordsDigest = 0;      // TRecordCheck::Digest() where the records ended
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

// The check of the record stream one record at a time: the package check
// runs it over the whole stream at load, the extractor again over each
// record it replays, so that a package that changed in between is judged
// by the same rules.
class TRecordCheck {
 public:
  enum Outcome { Record, End, BadKind, Damaged };

  explicit TRecordCheck(const TNameText& text = SingleByteText) : text_(&text) {}

  // Reads the record at in's position. Record: it passed, record holds it
  // and in stands at its data (file records) or after it. End: nothing is
  // left. BadKind: record holds the offset and the unknown kind byte, in
  // stands after it. Damaged: Problem() and ProblemOffset() say what and
  // where.
  Outcome Next(TPieceReader& in, RecordInfo& record);

  const std::string& Problem() const { return problem_; }
  size_t ProblemOffset() const { return problemOffset_; }
  int Depth() const { return depth_; }  // entered levels minus leave records so far
  // A digest of every record met so far (kind, offset, name, data size): a
  // size or a name changed within range passes each record's own check,
  // but not the comparison of the digests.
  uint64_t Digest() const { return digest_; }
  const TNameText& Text() const { return *text_; }

 private:
  Outcome Fail(size_t offset, std::string problem);
  void Fold(const void* bytes, size_t count);
  Outcome Met(const RecordInfo& record, Outcome outcome);

  const TNameText* text_;
  uint64_t digest_ = 14695981039346656037u;  // FNV-1a's offset basis
  int depth_ = 0;
  std::string problem_;
  size_t problemOffset_ = 0;
};

// Decodes the header and walks the record stream, reading nothing outside
// the package and skipping over the file data. Stops at the first unknown
// kind byte: what follows it is never replayed. When given, visit sees
// every record that passed the check, in stream order, before the check
// goes on. Names are read as text tells.
CheckResult CheckPackage(TPieceReader& in, const RecordVisitor& visit = RecordVisitor(),
                         const TNameText& text = SingleByteText);
// The same over a package in memory: not a byte outside [data, data + size).
CheckResult CheckPackage(const uint8_t* data, size_t size);
CheckResult CheckPackage(const uint8_t* data, size_t size, const RecordVisitor& visit);

// "<problem> at byte offset <n>": the second line of the loader's message.
std::string DescribeProblem(const CheckResult& result);
std::string DescribeProblem(const std::string& problem, size_t offset);

// The problem of a file record whose data does not end inside the package.
std::string DataPastEndProblem(const std::string& name, const TNameText& text = SingleByteText);
// The problem of records that passed their checks but are not those loaded.
extern const char ChangedSinceLoadProblem[];

// What the installer says when extraction stops at an unknown record kind:
// "Bad Command: " and the kind byte in two hexadecimal digits.
std::string BadCommandText(uint8_t kind);

}  // namespace Package
