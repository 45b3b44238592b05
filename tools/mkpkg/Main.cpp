#include "Main.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "CommandLine.h"
#include "Errors.h"
#include "FileDigest.h"
#include "FileIO.h"
#include "Inspect.h"
#include "MakePackage.h"
#include "PackageFile.h"
#include "Progress.h"
#include "TextConversion.h"
#include "TreeSurvey.h"

namespace Mkpkg {

namespace {

void Out(const std::string& text) { std::fputs(text.c_str(), stdout); }

void Err(const std::string& text) {
  std::fputs(text.c_str(), stderr);
  std::fflush(stderr);
}

double Seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

class ConsoleObserver : public MakeObserver {
 public:
  explicit ConsoleObserver(bool showProgress) {
    // MKPKG_PROGRESS_DELAY (seconds) shows the bar sooner, for tests.
    const char* delay = std::getenv("MKPKG_PROGRESS_DELAY");
    if (showProgress) bar_.emplace(Err, Seconds, delay ? std::atof(delay) : 0.5);
  }
  void Warning(const std::string& text) override { Err("mkpkg: warning: " + text + "\n"); }
  void Progress(uint64_t done, uint64_t total) override {
    if (bar_) bar_->Update(done, total);
  }
  void Finish() {
    if (bar_) bar_->Finish();
  }

 private:
  std::optional<ProgressBar> bar_;
};

int Make(const MakeOptions& options) {
  ConsoleObserver observer(!options.Quiet && IsTerminal(stderr));
  MakeSummary s;
  try {
    s = MakePackage(options, observer);
  } catch (...) {
    observer.Finish();
    throw;
  }
  observer.Finish();
  if (options.Quiet) return 0;
  Out(DisplayUtf8(options.Output) + ": " + std::to_string(s.PackageBytes) + " bytes, version folder " +
      DisplayUtf8(s.RootDirName) + ", " + std::to_string(s.Directories) + " folders, " + std::to_string(s.Files) +
      " files (" + std::to_string(s.DataBytes) + " bytes of data)\n");
  Out("key file: " + DisplayUtf8(s.KeyPath) + "\n");
  Out("required size: " + std::to_string(s.RequiredSize) + " bytes" +
      (s.RequiredGiven ? std::string(" (as given)")
                       : " (files rounded up to " + std::to_string(ClusterSize) + " bytes, plus " +
                             std::to_string(ClusterSize) + " a folder)") +
      "\n");
  return 0;
}

int List(const Command& c) {
  const std::vector<uint8_t> bytes = ReadPackageFile(c.Package);
  const Listing listing = ListPackage(bytes.data(), bytes.size(), FindCodePage(c.CodePage));
  Out(listing.Text);
  std::fflush(stdout);
  if (listing.Problem.empty()) return 0;
  Err("mkpkg: " + DisplayUtf8(c.Package) + ": " + listing.Problem + "\n");
  return 1;
}

int Verify(const Command& c) {
  const std::vector<uint8_t> bytes = ReadPackageFile(c.Package);
  const Verdict verdict = VerifyPackage(bytes.data(), bytes.size(), FindCodePage(c.CodePage));
  for (const std::string& problem : verdict.Problems) Err("mkpkg: " + DisplayUtf8(c.Package) + ": " + problem + "\n");
  if (!verdict.Problems.empty()) return 1;
  Out(DisplayUtf8(c.Package) + ": " + verdict.Summary + "\n");
  return 0;
}

}  // namespace

int RunMkpkg(const std::vector<std::string>& args) {
  try {
    const Command command = ParseCommandLine(args);
    switch (command.What) {
      case Action::Help:
        Out(UsageText());
        return 0;
      case Action::Version:
        Out(VersionText());
        return 0;
      case Action::Make:
        return Make(command.Make);
      case Action::List:
        return List(command);
      case Action::Verify:
        return Verify(command);
      case Action::Digest:
        Out(DigestLine(FileDigest(command.Package), command.Package));
        return 0;
    }
    return 0;
  } catch (const UsageError& e) {
    Err(std::string("mkpkg: ") + e.what() + "\nTry 'mkpkg --help' for more information.\n");
    return 2;
  } catch (const MkpkgError& e) {
    Err(std::string("mkpkg: ") + e.what() + "\n");
    return 1;
  } catch (const std::bad_alloc&) {
    Err("mkpkg: out of memory\n");
    return 1;
  } catch (const std::exception& e) {
    Err(std::string("mkpkg: ") + e.what() + "\n");
    return 1;
  }
}

}  // namespace Mkpkg
