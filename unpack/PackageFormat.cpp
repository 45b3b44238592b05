#include "PackageFormat.h"

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

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

template <typename Visit>
static void ForEachComponent(const std::string& name, Visit visit) {
  size_t start = 0;
  for (size_t i = 0; i <= name.size(); ++i) {
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

std::string NameProblem(const std::string& name) {
  if (name.empty()) return "empty name";
  if (IsSeparator(name[0])) return "absolute name \"" + name + "\"";
  if (name.find(':') != std::string::npos) return "name with a colon \"" + name + "\"";
  // Windows refuses these in names, and the extraction would stop half-way at
  // them. '|' is not among them: it is also the second byte of some double-byte
  // characters (Japanese, Chinese), which no byte below 0x40 ever is.
  for (const char c : name)
    if (uint8_t(c) < 0x20 || std::strchr("<>\"?*", c))
      return "name with a character Windows does not allow \"" + name + "\"";
  std::string problem;
  ForEachComponent(name, [&](const std::string& component) {
    if (!problem.empty()) return;
    if (component == "..")
      problem = "name climbing with \"..\" \"" + name + "\"";
    else if (EndsInDotOrSpace(component))
      problem = "name with a component ending in a dot or a space \"" + name + "\"";
    else if (IsReservedDeviceName(component))
      problem = "reserved device name \"" + name + "\"";
  });
  return problem;
}

int EnteredLevels(const std::string& name) {
  int levels = 0;
  ForEachComponent(name, [&](const std::string& component) {
    if (!component.empty() && component != ".") ++levels;
  });
  return levels;
}

namespace {

// Walks the bytes with every read checked against the end.
class Cursor {
 public:
  Cursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t Pos() const { return pos_; }
  bool AtEnd() const { return pos_ >= size_; }
  uint8_t Byte() const { return data_[pos_]; }
  void Skip(size_t n) { pos_ += n; }

  bool String(std::string& out) {
    const void* zero = std::memchr(data_ + pos_, 0, size_ - pos_);
    if (!zero) return false;
    const size_t length = size_t(static_cast<const uint8_t*>(zero) - (data_ + pos_));
    out.assign(reinterpret_cast<const char*>(data_ + pos_), length);
    pos_ += length + 1;
    return true;
  }

  bool Int32(int32_t& out) {
    if (size_ - pos_ < 4) return false;
    out = ReadInt32(data_ + pos_);
    pos_ += 4;
    return true;
  }

  size_t Remaining() const { return size_ - pos_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace

CheckResult CheckPackage(const uint8_t* data, size_t size) { return CheckPackage(data, size, RecordVisitor()); }

CheckResult CheckPackage(const uint8_t* data, size_t size, const RecordVisitor& visit) {
  CheckResult r;
  auto damaged = [&](size_t offset, std::string what) {
    r.Status = CheckStatus::Damaged;
    r.Problem = std::move(what);
    r.ProblemOffset = offset;
    return r;
  };

  if (size > size_t(INT32_MAX)) return damaged(0, "package of 2 GiB or more");
  Cursor at(data, size);
  int32_t version = 0;
  if (!at.Int32(version)) return damaged(0, "header shorter than its version field");
  if (version != Version) {
    r.Status = CheckStatus::BadVersion;
    return r;
  }

  struct Field { std::string* value; const char* name; };
  for (Field f : {Field{&r.Head.KeyFileName, "key file name"}, Field{&r.Head.Title, "title"},
                  Field{&r.Head.FolderName, "folder name"}}) {
    const size_t start = at.Pos();
    if (!at.String(*f.value)) return damaged(start, std::string(f.name) + " without terminating zero byte");
  }
  if (!at.Int32(r.Head.RequiredSize)) return damaged(at.Pos(), "header ends inside the required size");
  r.Head.StreamOffset = at.Pos();
  // The folder name is made a folder under the destination and in the Start
  // menu: it must not lead out of them. (Empty, it only adds no level.)
  if (!r.Head.FolderName.empty()) {
    const std::string problem = NameProblem(r.Head.FolderName);
    const size_t folderOffset = 4 + r.Head.KeyFileName.size() + 1 + r.Head.Title.size() + 1;
    if (!problem.empty()) return damaged(folderOffset, "folder name with " + problem);
  }

  int depth = 0;
  while (!at.AtEnd()) {
    const size_t record = at.Pos();
    const uint8_t kind = at.Byte();
    if (kind > KindFile) {
      r.BadKind = true;
      r.BadKindOffset = record;
      break;
    }
    at.Skip(1);
    RecordInfo info;
    info.Kind = RecordKind(kind);
    info.Offset = record;
    if (kind == KindLeave) {
      --depth;
      if (visit) visit(info);
      continue;
    }

    const char* what = kind == KindDirectory ? "directory record" : "file record";
    std::string name;
    if (!at.String(name)) return damaged(record, std::string(what) + " name without terminating zero byte");
    const std::string problem = NameProblem(name);
    if (!problem.empty()) return damaged(record, std::string(what) + " with " + problem);
    if (depth < 0) return damaged(record, std::string(what) + " \"" + name + "\" above the target directory");

    if (kind == KindDirectory) {
      if (r.RootDirName.empty()) r.RootDirName = name;
      depth += EnteredLevels(name);
      if (visit) {
        info.Name = std::move(name);
        visit(info);
      }
      continue;
    }

    const size_t sizeField = at.Pos();
    int32_t length = 0;
    if (!at.Int32(length)) return damaged(sizeField, "file record \"" + name + "\" ends inside its size field");
    if (length < 0) return damaged(sizeField, "file record \"" + name + "\" with negative size " + std::to_string(length));
    if (size_t(length) > at.Remaining())
      return damaged(at.Pos(), "file record \"" + name + "\" data runs past the end of the file");
    if (KeyNameMatches(name, r.Head.KeyFileName)) r.KeyPresent = true;
    if (visit) {
      info.Name = std::move(name);
      info.DataSize = length;
      info.DataOffset = at.Pos();
      visit(info);
    }
    at.Skip(size_t(length));
  }
  r.FinalDepth = depth;
  r.Status = CheckStatus::Sound;
  return r;
}

std::string DescribeProblem(const CheckResult& result) {
  return result.Problem + " at byte offset " + std::to_string(result.ProblemOffset);
}

}  // namespace Package
