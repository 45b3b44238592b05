// Arbitrary bytes through the package check and through the extractor's
// reading. AddressSanitizer stops the run at the first byte read outside the
// input, which libFuzzer hands over in a heap block of exactly its size.
// Beyond that: the check judges alike whatever the size of the pieces it
// reads in, the header it decodes encodes back to the same bytes, a refusal
// says where, the extractor's reading (each record checked again, the data
// taken in pieces) ends where the check ended, also when the package turns
// out shorter than its size said, and replayed on a model of how Windows
// resolves names, an accepted package never makes, enters or writes anything
// outside the target.
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "PackageFormat.h"
#include "PieceReader.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// The check's verdict and every record it let through, as one text.
std::string Verdict(const uint8_t* data, size_t size, size_t pieceSize) {
  Package::TMemorySource source(data, size);
  Package::TPieceReader in(source, size, pieceSize);
  std::string seen;
  const Package::CheckResult r = Package::CheckPackage(in, [&](const Package::RecordInfo& record) {
    seen += std::to_string(record.Kind) + " " + record.Name + " " + std::to_string(record.Offset) + " " +
            std::to_string(record.DataSize) + " " + std::to_string(record.DataOffset) + "\n";
  });
  return std::to_string(int(r.Status)) + " " + r.Problem + " " + std::to_string(r.ProblemOffset) + " " +
         r.Head.KeyFileName + "|" + r.Head.Title + "|" + r.Head.FolderName + " " + std::to_string(r.BadKind) + " " +
         std::to_string(r.BadKindOffset) + " " + std::to_string(r.FinalDepth) + "\n" + seen;
}

// Reads the record stream from pos the way the extractor does: each record
// checked, the file data taken in pieces, up to the end, the first unknown
// kind or a damaged record. The source may end before size. Returns where
// it stopped; damaged tells whether a record was refused.
size_t ReplayStream(const uint8_t* data, size_t available, size_t size, size_t pos, bool& damaged) {
  Package::TMemorySource source(data, available);
  Package::TPieceReader in(source, size, 7);
  in.Seek(pos);
  Package::TRecordCheck check;
  damaged = false;
  for (;;) {
    Package::RecordInfo record;
    switch (check.Next(in, record)) {
      case Package::TRecordCheck::End:
        return in.Pos();
      case Package::TRecordCheck::BadKind:
        return record.Offset;
      case Package::TRecordCheck::Damaged:
        damaged = true;
        Require(check.ProblemOffset() <= size && !check.Problem().empty());
        return check.ProblemOffset();
      case Package::TRecordCheck::Record:
        break;
    }
    if (record.Kind != Package::KindFile) continue;
    size_t taken = 0, expected = record.DataOffset;
    const bool whole = in.Take(size_t(record.DataSize), [&](const uint8_t* piece, size_t count) {
      Require(std::memcmp(piece, data + expected, count) == 0);
      expected += count;
      taken += count;
    });
    Require(expected <= available);
    if (!whole) {
      damaged = true;
      return record.DataOffset;
    }
    Require(taken == size_t(record.DataSize));
  }
}

// Folders as Windows sees them: upper-cased components from the drive root.
using Path = std::vector<std::string>;

bool Inside(const Path& path, const Path& folder) {
  return path.size() >= folder.size() && std::equal(folder.begin(), folder.end(), path.begin());
}

// How Windows reads a path relative to a folder ("File path formats on
// Windows systems"): '/' and '\\' separate, runs of them count as one, "."
// and ".." are the folder and its parent, a component ending in a single
// dot loses it, and when the path does not end in a separator its last
// component loses all trailing dots and spaces. Names compare without case
// (ASCII letters here). Where Windows' reading is not certain the model
// takes the one that climbs: ".. " is "..".
Path Resolve(Path folder, const std::string& relative) {
  std::vector<std::string> components(1);
  for (char c : relative) {
    if (c == '\\' || c == '/') {
      if (!components.back().empty()) components.emplace_back();
    } else {
      components.back().push_back(c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c);
    }
  }
  const bool endsInSeparator = components.back().empty();
  if (endsInSeparator) components.pop_back();
  for (size_t i = 0; i < components.size(); ++i) {
    std::string c = components[i];
    if (c.find_first_not_of(". ") == std::string::npos && c.find("..") != std::string::npos) {
      c = "..";
    } else if (c != ".") {
      if (i + 1 == components.size() && !endsInSeparator) {
        while (!c.empty() && (c.back() == '.' || c.back() == ' ')) c.pop_back();
      } else if (c.size() >= 2 && c.back() == '.' && c[c.size() - 2] != '.') {
        c.pop_back();
      }
    }
    if (c == "..") {
      if (!folder.empty()) folder.pop_back();
    } else if (!c.empty() && c != ".") {
      folder.push_back(c);
    }
  }
  return folder;
}

// Where the load check counts a directory record to lead: one level for
// each component other than "" and ".", named as written.
Path Counted(Path folder, const std::string& name) {
  std::string component;
  for (size_t i = 0; i <= name.size(); ++i) {
    if (i == name.size() || name[i] == '\\' || name[i] == '/') {
      if (!component.empty() && component != ".") folder.push_back(component);
      component.clear();
    } else {
      component.push_back(name[i] >= 'a' && name[i] <= 'z' ? char(name[i] - 'a' + 'A') : name[i]);
    }
  }
  return folder;
}

// Replays accepted records as an extractor without defences of its own
// would on Windows: it enters a directory or makes it and enters it, and
// goes on where it stands when that entry fails; it climbs one level for a
// leave record; it stops where the system refuses to make a folder or file.
// The load check alone must keep all of it inside the target, and after
// each directory record the extractor must stand where the check counted.
class WindowsReplay {
 public:
  WindowsReplay() : target_{"PROGRAM FILES", "PRODUCT"}, current_(target_) {
    for (size_t n = 0; n <= target_.size(); ++n) folders_.insert(Path(target_.begin(), target_.begin() + long(n)));
    expected_ = target_;
  }

  // False once the system has refused something: the extractor stops there.
  bool Replay(const Package::RecordInfo& record) {
    switch (record.Kind) {
      case Package::KindLeave:
        if (!current_.empty()) current_.pop_back();
        if (!expected_.empty()) expected_.pop_back();
        return true;
      case Package::KindDirectory: {
        const Path folder = Resolve(current_, record.Name + "\\");
        if (!folders_.count(folder)) {
          const Path made = Resolve(current_, record.Name);
          if (made.empty() || folders_.count(made) || !folders_.count(Path(made.begin(), made.end() - 1))) return false;
          Require(Inside(made, target_) && made.size() > target_.size());
          folders_.insert(made);
        }
        if (folders_.count(folder)) current_ = folder;
        Require(Inside(current_, target_));
        expected_ = Counted(expected_, record.Name);
        Require(current_ == expected_);
        return true;
      }
      default: {
        const Path file = Resolve(current_, record.Name);
        if (file.empty() || folders_.count(file) || !folders_.count(Path(file.begin(), file.end() - 1))) return false;
        Require(Inside(file, target_) && file.size() > target_.size());
        return true;
      }
    }
  }

 private:
  const Path target_;
  Path current_;
  Path expected_;  // where the check counted the extraction to be
  std::set<Path> folders_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<Package::RecordInfo> records;
  const Package::CheckResult r =
      Package::CheckPackage(data, size, [&](const Package::RecordInfo& record) { records.push_back(record); });
  const std::string verdict = Verdict(data, size, 4096);
  Require(Verdict(data, size, 4) == verdict && Verdict(data, size, 13) == verdict);
  switch (r.Status) {
    case Package::CheckStatus::Damaged:
      Require(!r.Problem.empty() && r.ProblemOffset <= size);
      Require(!Package::DescribeProblem(r).empty());
      break;
    case Package::CheckStatus::BadVersion:
      Require(size >= 4 && Package::ReadInt32(data) != Package::Version);
      break;
    case Package::CheckStatus::Sound: {
      const Package::Header& h = r.Head;
      const std::string header = Package::EncodeHeader(h.KeyFileName, h.Title, h.FolderName, h.RequiredSize);
      Require(header.size() == h.StreamOffset && std::memcmp(header.data(), data, header.size()) == 0);
      bool damaged = true;
      Require(ReplayStream(data, size, size, h.StreamOffset, damaged) == (r.BadKind ? r.BadKindOffset : size));
      Require(!damaged);
      // The same package cut in half after it was measured: the replay stops
      // at the cut or before, and says so unless an unknown kind came first.
      const size_t cut = h.StreamOffset + (size - h.StreamOffset) / 2;
      if (cut < size) {
        const size_t stop = ReplayStream(data, cut, size, h.StreamOffset, damaged);
        Require(stop <= cut && (damaged || r.BadKind));
      }
      WindowsReplay windows;
      for (const Package::RecordInfo& record : records)
        if (!windows.Replay(record)) break;
      break;
    }
  }
  return 0;
}
