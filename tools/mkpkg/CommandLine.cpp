#include "CommandLine.h"

#include "CodePages.h"
#include "Errors.h"
#include "PackageFormat.h"
#include "TreeSurvey.h"

namespace Mkpkg {

namespace {

// Plain decimal digits only, no sign, no overflow past max.
bool ParseCount(const std::string& text, int64_t max, int64_t& value) {
  if (text.empty() || text.size() > 12) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return value <= max;
}

int ParseCodePage(const std::string& text) {
  int64_t number = 0;
  if (!ParseCount(text, 99999, number) || !FindCodePage(int(number)))
    throw UsageError("--codepage: '" + text + "' is not a supported code page (supported: " + SupportedCodePages() +
                     ")");
  return int(number);
}

class Arguments {
 public:
  explicit Arguments(std::vector<std::string> args) : args_(std::move(args)) {}

  bool Next() {
    if (i_ >= args_.size()) return false;
    current_ = args_[i_++];
    value_.reset();
    if (!endOfOptions_ && current_.size() > 2 && current_.compare(0, 2, "--") == 0) {
      const size_t equals = current_.find('=');
      if (equals != std::string::npos) {
        value_ = current_.substr(equals + 1);
        current_.erase(equals);
      }
    }
    return true;
  }
  bool IsOption() const {
    return !endOfOptions_ && current_.size() > 1 && current_[0] == '-';
  }
  bool IsEndOfOptions() {
    if (endOfOptions_ || current_ != "--") return false;
    endOfOptions_ = true;
    return true;
  }
  const std::string& Current() const { return current_; }
  std::string Value() {
    if (value_) return *value_;
    if (i_ >= args_.size()) throw UsageError("option '" + current_ + "' needs a value");
    return args_[i_++];
  }
  void NoValue() const {
    if (value_) throw UsageError("option '" + current_ + "' takes no value");
  }

 private:
  std::vector<std::string> args_;
  size_t i_ = 0;
  std::string current_;
  std::optional<std::string> value_;
  bool endOfOptions_ = false;
};

void SetPositional(std::string& slot, const std::string& value, const char* what) {
  if (!slot.empty()) throw UsageError(std::string("more than one ") + what + " given ('" + value + "')");
  if (value.empty()) throw UsageError(std::string("the ") + what + " is an empty string");
  slot = value;
}

Command ParseMake(Arguments& a) {
  Command c;
  c.What = Action::Make;
  MakeOptions& m = c.Make;
  bool help = false;
  while (a.Next()) {
    if (a.IsEndOfOptions()) continue;
    if (!a.IsOption()) {
      SetPositional(m.VersionDir, a.Current(), "version folder");
      continue;
    }
    const std::string option = a.Current();
    if (option == "-o" || option == "--output") {
      m.Output = a.Value();
    } else if (option == "--title") {
      m.Title = a.Value();
    } else if (option == "--folder") {
      m.Folder = a.Value();
    } else if (option == "--key") {
      m.Key = a.Value();
    } else if (option == "--required") {
      const std::string text = a.Value();
      int64_t bytes = 0;
      if (!ParseCount(text, Package::RequiredSizeLimit, bytes))
        throw UsageError("--required: '" + text + "' is not a number of bytes from 0 to " +
                         std::to_string(Package::RequiredSizeLimit));
      m.Required = bytes;
    } else if (option == "--codepage") {
      m.CodePage = ParseCodePage(a.Value());
    } else if (option == "--follow-links") {
      a.NoValue();
      m.FollowLinks = true;
    } else if (option == "-q" || option == "--quiet") {
      a.NoValue();
      m.Quiet = true;
    } else if (option == "-h" || option == "--help") {
      help = true;
    } else {
      throw UsageError("make: unknown option '" + option + "'");
    }
  }
  if (help) return Command{};
  if (m.VersionDir.empty()) throw UsageError("make: the version folder is missing");
  const struct {
    const std::string& value;
    const char* option;
  } required[] = {{m.Output, "-o"}, {m.Title, "--title"}, {m.Folder, "--folder"}, {m.Key, "--key"}};
  for (const auto& r : required)
    if (r.value.empty()) throw UsageError(std::string("make: ") + r.option + " is missing or empty");
  return c;
}

Command ParseReader(Arguments& a, Action what, const char* name, bool takesCodePage = true) {
  Command c;
  c.What = what;
  bool help = false;
  while (a.Next()) {
    if (a.IsEndOfOptions()) continue;
    if (!a.IsOption()) {
      SetPositional(c.Package, a.Current(), "package");
    } else if (takesCodePage && a.Current() == "--codepage") {
      c.CodePage = ParseCodePage(a.Value());
    } else if (a.Current() == "-h" || a.Current() == "--help") {
      help = true;
    } else {
      throw UsageError(std::string(name) + ": unknown option '" + a.Current() + "'");
    }
  }
  if (help) return Command{};
  if (c.Package.empty()) throw UsageError(std::string(name) + ": the package file is missing");
  return c;
}

}  // namespace

Command ParseCommandLine(const std::vector<std::string>& args) {
  if (args.empty()) throw UsageError("no command given");
  const std::string& first = args[0];
  if (first == "-h" || first == "--help" || first == "help") return Command{};
  if (first == "--version") {
    Command c;
    c.What = Action::Version;
    return c;
  }
  Arguments rest(std::vector<std::string>(args.begin() + 1, args.end()));
  if (first == "make") return ParseMake(rest);
  if (first == "list") return ParseReader(rest, Action::List, "list");
  if (first == "verify") return ParseReader(rest, Action::Verify, "verify");
  if (first == "digest") return ParseReader(rest, Action::Digest, "digest", false);
  throw UsageError("unknown command '" + first + "'");
}

std::string UsageText() {
  return "Usage: mkpkg make VERSION_DIR -o PACKAGE --title TEXT --folder NAME --key FILE\n"
         "                  [--required BYTES] [--codepage N] [--follow-links] [--quiet]\n"
         "       mkpkg list PACKAGE [--codepage N]\n"
         "       mkpkg verify PACKAGE [--codepage N]\n"
         "       mkpkg digest PACKAGE\n"
         "       mkpkg --help | --version\n"
         "\n"
         "Makes and checks the data.z packages that the installer reads.\n"
         "\n"
         "make     packs VERSION_DIR (it becomes the version folder, e.g. 1.0) and its tree.\n"
         "  -o PACKAGE          the package file to write (replaced only when complete)\n"
         "  --title TEXT        the product title the installer shows\n"
         "  --folder NAME       the product folder made under the destination\n"
         "  --key FILE          the main program's file name; it must be in the tree\n"
         "  --required BYTES    disk space the installation needs (default: each file\n"
         "                      rounded up to " + std::to_string(ClusterSize) + " bytes, plus " +
         std::to_string(ClusterSize) + " a folder)\n"
         "  --codepage N        write names and texts in Windows code page N\n"
         "                      (" + SupportedCodePages() + "); without it, ASCII only\n"
         "  --follow-links      pack what symbolic links point to (default: refuse them)\n"
         "  -q, --quiet         no progress bar and no summary\n"
         "list     shows the header and the tree with file sizes.\n"
         "verify   runs the installer's checks on loading a package, and also reports a\n"
         "         missing key file and unbalanced folder records.\n"
         "  --codepage N        show names decoded from code page N\n"
         "digest   prints the package's SHA-256 as sha256sum does, for a release's\n"
         "         setup.exe or its users to check it against.\n"
         "\n"
         "Exit status: 0 success, 1 failure, 2 bad command line.\n";
}

std::string VersionText() {
  return "mkpkg 1.0 (package format version " + std::to_string(Package::Version) + ")\n";
}

}  // namespace Mkpkg
