// Arbitrary bytes through the package check. AddressSanitizer stops the run
// at the first byte read outside the input, which libFuzzer hands over in a
// heap block of exactly its size. Beyond that: what the check accepts must
// be safe for the extractor's unchecked reading, the header it decodes must
// encode back to the same bytes, a refusal must say where, and replayed on
// a model of how Windows resolves names, an accepted package never makes,
// enters or writes anything outside the target.
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "PackageFormat.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// Reads the record stream the way the installer's extractor does once the
// package was accepted: names up to their zero byte, sizes taken as they
// stand, up to the end or the first unknown kind. Returns where it stopped.
size_t ReplayStream(const uint8_t* data, size_t size, size_t pos) {
  while (pos < size) {
    const uint8_t kind = data[pos];
    if (kind > Package::KindFile) break;
    ++pos;
    if (kind == Package::KindLeave) continue;
    pos += std::strlen(reinterpret_cast<const char*>(data + pos)) + 1;
    if (kind == Package::KindFile) {
      const int32_t length = Package::ReadInt32(data + pos);
      pos += 4 + size_t(length);
    }
  }
  return pos;
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
      Require(ReplayStream(data, size, h.StreamOffset) == (r.BadKind ? r.BadKindOffset : size));
      WindowsReplay windows;
      for (const Package::RecordInfo& record : records)
        if (!windows.Replay(record)) break;
      break;
    }
  }
  return 0;
}
