// unpackcli [--piece-size BYTES] [--pin SHA256] PACKAGE TARGETDIR
//
// Loads PACKAGE and extracts it into TARGETDIR with the installer's own
// TUnPack, exactly as the installer runs it; --piece-size reads the package
// that many bytes at a time instead, for the benchmark to compare; --pin
// takes only the package of that SHA-256 (64 hexadecimal digits), as a
// release's setup.exe built with it does. The texts
// the installer would show in its message boxes are printed to stderr in
// UTF-8, with LF line ends.
// TARGETDIR is created (one level) when missing, as the installer creates
// its product folder. What the extraction changes is recorded as the
// installer records it: an extraction that fails is taken back, and one
// that succeeds removes what it kept of the files it replaced. On success
// it prints the version folder's name and where the key file went.
//
// Exit code: 0 extracted without a reported problem, 1 otherwise, 2 usage.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "Errors.h"
#include "Sha256.h"
#include "FileSystem.h"
#include "Text.h"
#include "UnPack.h"

namespace {

// The messages' own CR LF becomes LF like every other line end.
void PrintError(std::string utf8) {
  for (size_t at; (at = utf8.find("\r\n")) != std::string::npos;) utf8.erase(at, 1);
  std::fprintf(stderr, "%s\n", utf8.c_str());
}

void TakeBack(TCreatedItems& created) {
  const TLeftItems left = created.Remove(nullptr);
  if (left.Count) PrintError("Can not remove " + FromWide(ToWide(left.First), CodePageUtf8) + " and " + std::to_string(left.Count - 1) + " more");
}

// Names are in the system's code page; the texts about them are too.
std::string AnsiToUtf8(const std::string& text) { return FromWide(ToWide(text), CodePageUtf8); }

// Whether there was nothing to print.
bool PrintProblems(const TUnPack& pack, const TUnPackOutcome& outcome) {
  for (const std::string& text : pack.Messages(outcome)) PrintError(AnsiToUtf8(text));
  return outcome.Sound();
}

int Run(const std::string& package, const std::string& target, size_t pieceSize, const std::optional<TSha256Digest>& pin) {
  TUnPack pack;
  TCreatedItems created;
  pack.Created = &created;
  if (pieceSize) pack.PieceSize = pieceSize;
  pack.Pin = pin;
  if (!PrintProblems(pack, pack.LoadPackage(package))) return 1;
  TUnPackOutcome outcome;
  try {
    // Let go of before a take-back, which must be able to remove what is in it.
    TFolderChain into;
    if (!into.TryStart(target)) {
      CreateDir(target);
      into.Start(target);
    }
    outcome = pack.Extract(into);
  } catch (const Exception& e) {
    PrintError(AnsiToUtf8(e.Message));
    TakeBack(created);
    return 1;
  } catch (const std::exception& e) {
    PrintError(e.what());
    TakeBack(created);
    return 1;
  }
  const bool sound = PrintProblems(pack, outcome);
  std::printf("RootDirName: %s\nKeyFilePath: %s\n", AnsiToUtf8(pack.RootDirName).c_str(),
              AnsiToUtf8(pack.KeyFilePath).c_str());
  if (!sound) {
    TakeBack(created);
    return 1;
  }
  created.Commit();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Plain LF line ends: the readers are scripts, mostly on Linux.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  std::vector<std::string> args(argv + 1, argv + argc);
  size_t pieceSize = 0;
  std::optional<TSha256Digest> pin;
  bool usable = true;
  while (usable && args.size() > 2 && args[0].rfind("--", 0) == 0) {
    if (args[0] == "--piece-size" && !pieceSize) {
      char* end = nullptr;
      pieceSize = std::strtoul(args[1].c_str(), &end, 10);
      usable = !*end && pieceSize;
    } else if (args[0] == "--pin" && !pin) {
      pin.emplace();
      usable = ParseDigestText(args[1], *pin);
    } else {
      usable = false;
    }
    args.erase(args.begin(), args.begin() + 2);
  }
  if (!usable || args.size() != 2) {
    std::fprintf(stderr, "usage: unpackcli [--piece-size BYTES] [--pin SHA256] PACKAGE TARGETDIR\n");
    return 2;
  }
  return Run(args[0], args[1], pieceSize, pin);
}
