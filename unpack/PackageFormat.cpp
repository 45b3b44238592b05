#include "PackageFormat.h"

#include <algorithm>
#include <cstring>

#include "HexText.h"
#include "PieceReader.h"

namespace Package {

namespace {

constexpr char SizeLimitText[] = "2 GiB";  // SizeLimit

}  // namespace

std::string PackageTooLargeProblem() { return std::string("package of ") + SizeLimitText + " or more"; }

std::string FileTooLargeProblem() { return std::string("a package cannot hold a file of ") + SizeLimitText + " or more"; }

std::string SizeLimitRule() { return std::string("a package must stay under ") + SizeLimitText; }

static void AppendString(std::string& out, const std::string& s) {
  out += s;
  out.push_back('\0');
}

std::string EncodeHeader(const std::string& keyFileName, const std::string& title,
                         const std::string& folderName, int32_t requiredSize) {
  std::string out;
  AppendInt32(out, Version);
  AppendString(out, keyFileName);
  AppendString(out, title);
  AppendString(out, folderName);
  AppendInt32(out, requiredSize);
  return out;
}

std::string EncodeDirectoryRecord(const std::string& name) {
  std::string out(1, char(KindDirectory));
  AppendString(out, name);
  return out;
}

std::string EncodeLeaveRecord() { return std::string(1, char(KindLeave)); }

std::string EncodeFileRecordStart(const std::string& name, int32_t dataSize) {
  std::string out(1, char(KindFile));
  AppendString(out, name);
  AppendInt32(out, dataSize);
  return out;
}

static char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool KeyNameMatches(const std::string& name, const std::string& keyFileName) {
  if (name.size() != keyFileName.size()) return false;
  for (size_t i = 0; i < name.size(); ++i)
    if (AsciiUpper(name[i]) != AsciiUpper(keyFileName[i])) return false;
  return true;
}

size_t TNameText::CharacterSize(const std::string&, size_t) const { return 1; }
bool TNameText::IsText(const std::string&) const { return true; }
const TNameText SingleByteText;

// Where the character that starts at name[at] ends, never past the name.
static size_t NextCharacter(const std::string& name, size_t at, const TNameText& text) {
  return at + std::max<size_t>(1, std::min(text.CharacterSize(name, at), name.size() - at));
}

std::string ShownName(const std::string& name, const TNameText& text) {
  if (name.size() <= ShownNameLength) return name;
  size_t cut = 0;
  while (NextCharacter(name, cut, text) <= ShownNameLength) cut = NextCharacter(name, cut, text);
  return name.substr(0, cut) + "...";
}

std::string QuotedName(const std::string& name, const TNameText& text) {
  return "\"" + ShownName(name, text) + "\"";
}

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Only a character's first byte can be a separator: in Japanese and Chinese
// code pages a backslash's byte also ends some double-byte characters.
template <typename Visit>
static void ForEachComponent(const std::string& name, const TNameText& text, Visit visit) {
  size_t start = 0;
  for (size_t i = 0; i <= name.size(); i = i < name.size() ? NextCharacter(name, i, text) : i + 1) {
    if (i == name.size() || IsSeparator(name[i])) {
      visit(name.substr(start, i - start));
      start = i + 1;
    }
  }
}

// Windows counts the superscripts 1, 2 and 3 of ISO 8859-1 (bytes B9, B2 and
// B3 in most Windows code pages) as digits of COM and LPT device names. They
// are refused in every code page: the format does not say which one a
// package uses, and in the others they are rare letters or signs.
static bool IsDeviceDigit(char c) {
  return (c >= '1' && c <= '9') || c == '\xB9' || c == '\xB2' || c == '\xB3';
}

// CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9 and LPT1-9 name devices
// whatever extension follows them, and Windows ignores trailing spaces
// before that extension.
bool IsReservedDeviceName(const std::string& component) {
  std::string base = component.substr(0, component.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = AsciiUpper(c);
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (base == device) return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         IsDeviceDigit(base[3]);
}

// Windows drops trailing dots and spaces when it makes a name: "a " and
// "b.." become the folders "a" and "b". Yet it looks the path "a \" up as
// written and cannot enter it, so what follows would land one level higher
// than counted; and "readme.txt." would be written as "readme.txt". No
// component may end in either ("." included: nothing needs it).
bool EndsInDotOrSpace(const std::string& component) {
  return !component.empty() && (component.back() == '.' || component.back() == ' ');
}

std::string NameProblem(const std::string& name, const TNameText& text) {
  const auto quoted = [&] { return QuotedName(name, text); };
  if (name.empty()) return "empty name";
  // The file functions and the take-back would each make their own guess
  // at bytes that are no character.
  if (!text.IsText(name)) return "name that is not text in the system's code page " + quoted();
  if (IsSeparator(name[0])) return "absolute name " + quoted();
  if (name.find(':') != std::string::npos) return "name with a colon " + quoted();
  // Windows refuses these in names, and the extraction would stop half-way at
  // them. '|' is not among them: it is also the second byte of some double-byte
  // characters (Japanese, Chinese), which no byte below 0x40 ever is.
  for (const char c : name)
    if (uint8_t(c) < 0x20 || std::strchr("<>\"?*", c))
      return "name with a character Windows does not allow " + quoted();
  std::string problem;
  ForEachComponent(name, text, [&](const std::string& component) {
    if (!problem.empty()) return;
    if (component == "..")
      problem = "name climbing with \"..\" " + quoted();
    else if (EndsInDotOrSpace(component))
      problem = "name with a component ending in a dot or a space " + quoted();
    else if (IsReservedDeviceName(component))
      problem = "reserved device name " + quoted();
  });
  return problem;
}

int EnteredLevels(const std::string& name, const TNameText& text) {
  int levels = 0;
  ForEachComponent(name, text, [&](const std::string& component) {
    if (!component.empty() && component != ".") ++levels;
  });
  return levels;
}

// What is wrong with a string that was not read.
static std::string StringProblem(TPieceReader::StringOutcome outcome) {
  return outcome == TPieceReader::StringTooLong ? "longer than " + std::to_string(StringLengthLimit) + " bytes"
                                                : "without terminating zero byte";
}

TRecordCheck::Outcome TRecordCheck::Fail(size_t offset, std::string problem) {
  problem_ = std::move(problem);
  problemOffset_ = offset;
  return Damaged;
}

void TRecordCheck::Fold(const void* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    digest_ ^= static_cast<const uint8_t*>(bytes)[i];
    digest_ *= 1099511628211u;  // FNV-1a's prime
  }
}

TRecordCheck::Outcome TRecordCheck::Met(const RecordInfo& record, Outcome outcome) {
  const uint8_t kind = record.Kind;
  const uint64_t offset = record.Offset;
  Fold(&kind, 1);
  Fold(&offset, sizeof offset);
  Fold(record.Name.c_str(), record.Name.size() + 1);
  Fold(&record.DataSize, sizeof record.DataSize);
  return outcome;
}

TRecordCheck::Outcome TRecordCheck::Next(TPieceReader& in, RecordInfo& record) {
  record = RecordInfo();
  record.Offset = in.Pos();
  // A package that ends before its size did (cut since it was measured) has
  // lost records: that is no end of the stream.
  if (in.AtEnd()) return in.Shortened() ? Fail(record.Offset, "package cut short") : End;
  uint8_t kind = 0;
  if (!in.Byte(kind)) return Fail(record.Offset, "package cut short");
  record.Kind = RecordKind(kind);
  if (kind > KindFile) return Met(record, BadKind);
  if (kind == KindLeave) {
    --depth_;
    return Met(record, Record);
  }

  const std::string what = kind == KindDirectory ? "directory record" : "file record";
  const TPieceReader::StringOutcome name = in.String(record.Name, StringLengthLimit);
  if (name != TPieceReader::StringRead) return Fail(record.Offset, what + " name " + StringProblem(name));
  const std::string problem = NameProblem(record.Name, *text_);
  if (!problem.empty()) return Fail(record.Offset, what + " with " + problem);
  const std::string quoted = QuotedName(record.Name, *text_);
  if (depth_ < 0) return Fail(record.Offset, what + " " + quoted + " above the target directory");

  if (kind == KindDirectory) {
    depth_ += EnteredLevels(record.Name, *text_);
    return Met(record, Record);
  }

  const size_t sizeField = in.Pos();
  if (!in.Int32(record.DataSize)) return Fail(sizeField, "file record " + quoted + " ends inside its size field");
  if (record.DataSize < 0)
    return Fail(sizeField, "file record " + quoted + " with negative size " + std::to_string(record.DataSize));
  record.DataOffset = in.Pos();
  if (size_t(record.DataSize) > in.Remaining())
    return Fail(record.DataOffset, DataPastEndProblem(record.Name, *text_));
  return Met(record, Record);
}

CheckResult CheckPackage(const uint8_t* data, size_t size) { return CheckPackage(data, size, RecordVisitor()); }

CheckResult CheckPackage(const uint8_t* data, size_t size, const RecordVisitor& visit) {
  TMemorySource source(data, size);
  // Only fields are read from it; the data is skipped.
  TPieceReader in(source, size, 4096);
  return CheckPackage(in, visit);
}

CheckResult CheckPackage(TPieceReader& in, const RecordVisitor& visit, const TNameText& text) {
  CheckResult r;
  auto damaged = [&](size_t offset, std::string what) {
    r.Status = CheckStatus::Damaged;
    r.Problem = std::move(what);
    r.ProblemOffset = offset;
    return r;
  };

  if (in.Remaining() >= SizeLimit) return damaged(0, PackageTooLargeProblem());
  int32_t version = 0;
  if (!in.Int32(version)) return damaged(0, "header shorter than its version field");
  if (version != Version) {
    r.Status = CheckStatus::BadVersion;
    return r;
  }

  struct Field { std::string* value; const char* name; };
  size_t fieldStart = 0;  // after the loop: where the folder name starts
  for (Field f : {Field{&r.Head.KeyFileName, "key file name"}, Field{&r.Head.Title, "title"},
                  Field{&r.Head.FolderName, "folder name"}}) {
    fieldStart = in.Pos();
    const TPieceReader::StringOutcome read = in.String(*f.value, StringLengthLimit);
    if (read != TPieceReader::StringRead) return damaged(fieldStart, std::string(f.name) + " " + StringProblem(read));
  }
  if (!in.Int32(r.Head.RequiredSize)) return damaged(in.Pos(), "header ends inside the required size");
  r.Head.StreamOffset = in.Pos();
  // The folder name is made a folder under the destination and in the Start
  // menu: it must not lead out of them. (Empty, it only adds no level.)
  if (!r.Head.FolderName.empty()) {
    const std::string problem = NameProblem(r.Head.FolderName, text);
    if (!problem.empty()) return damaged(fieldStart, "folder name with " + problem);
  }

  TRecordCheck check(text);
  for (;;) {
    RecordInfo record;
    const TRecordCheck::Outcome outcome = check.Next(in, record);
    if (outcome == TRecordCheck::End) break;
    if (outcome == TRecordCheck::Damaged) return damaged(check.ProblemOffset(), check.Problem());
    if (outcome == TRecordCheck::BadKind) {
      r.BadKind = true;
      r.BadKindOffset = record.Offset;
      break;
    }
    if (record.Kind == KindDirectory && r.RootDirName.empty()) r.RootDirName = record.Name;
    if (record.Kind == KindFile && KeyNameMatches(record.Name, r.Head.KeyFileName)) r.KeyPresent = true;
    const size_t dataSize = size_t(record.DataSize);
    if (visit) visit(record);
    in.Skip(dataSize);
  }
  r.FinalDepth = check.Depth();
  r.RecordsDigest = check.Digest();
  r.Status = CheckStatus::Sound;
  return r;
}

std::string DescribeProblem(const CheckResult& result) { return DescribeProblem(result.Problem, result.ProblemOffset); }

std::string DescribeProblem(const std::string& problem, size_t offset) {
  return problem + " at byte offset " + std::to_string(offset);
}

const char ChangedSinceLoadProblem[] = "package changed since it was loaded";

std::string BadCommandText(uint8_t kind) { return "Bad Command: " + HexByte(kind); }

std::string DataPastEndProblem(const std::string& name, const TNameText& text) {
  return "file record " + QuotedName(name, text) + " data runs past the end of the file";
}

}  // namespace Package
