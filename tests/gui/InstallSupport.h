// What the install tests build, read back and leave for lnkinfo: packages
// with the tree they must give, installed trees, the registry as reg.exe
// exports it, and the link lines to be checked after the run.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

// A package made in memory, record by record, and the tree it gives.
class PackageBuilder {
 public:
  PackageBuilder(const std::string& keyFileName, const std::string& title, const std::string& folderName,
                 int requiredSize = 0);
  PackageBuilder& Dir(const std::string& name);
  PackageBuilder& Leave();
  PackageBuilder& File(const std::string& name, const std::string& data);
  // Bytes that are no well-formed record (a bad kind byte, say).
  PackageBuilder& Raw(const std::string& bytes);

  const std::string& Bytes() const { return bytes; }
  // Paths relative to the target directory: folders end in a backslash and
  // map to "", files map to their contents.
  const std::map<std::string, std::string>& Tree() const { return tree; }

 private:
  std::string bytes;
  std::string current;  // relative folder the stream stands in, with a trailing backslash
  std::map<std::string, std::string> tree;
};

// The tree under a folder, in PackageBuilder::Tree's form; empty when the
// folder does not exist.
std::map<std::string, std::string> ReadTree(const std::string& folder);

// The tree an install left under the product folder, without the
// uninstaller and the removal record it puts in the folder of each version
// installed (the removal tests look at those). Throws when a version folder
// lacks either: the install left no way to remove it.
std::map<std::string, std::string> ProductTree(const std::string& folder,
                                               const std::vector<std::string>& versions = {"1.0"});

bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& data);

// Every key under root (HKEY_CURRENT_USER\...), as reg.exe exports it: key
// path relative to root ("" for root itself) -> value name -> value. A REG_SZ
// value is its text; any other type is shown as "<type>:<data as exported>".
// Throws when reg.exe exports nothing, a key that does not exist included:
// absence is RegistryKeyOpenResult's to show.
using RegistryTree = std::map<std::string, std::map<std::string, std::string>>;
RegistryTree ExportRegistry(const std::string& root);

// What RegOpenKeyEx answers for a key under HKEY_CURRENT_USER (named
// HKEY_CURRENT_USER\...): ERROR_FILE_NOT_FOUND when it does not exist.
LONG RegistryKeyOpenResult(const std::string& key);

// Holds every thread of another process still while it lives, so that
// several messages reach its queue before it handles the first.
class FrozenProcess {
 public:
  explicit FrozenProcess(DWORD processId);
  ~FrozenProcess();
  FrozenProcess(const FrozenProcess&) = delete;
  FrozenProcess& operator=(const FrozenProcess&) = delete;
  bool Frozen() const { return !threads.empty(); }

 private:
  std::vector<HANDLE> threads;
};

// The Programs folder of the Start menu as the installer will find it.
std::string StartMenuPrograms();

// Asks for lnkinfo to show the line for the link after the run (see
// tests/wine-run-copy.sh.in), for example "Description : Home page". Both
// are in the ANSI code page. Throws when the check cannot be written; each
// check is also announced on the standard output, so that the run fails when
// the file of checks goes missing.
void ExpectLinkLine(const std::string& linkPath, const std::string& line);

// The target path a link holds, read by the shell in this process (lnkinfo
// shows only the links' Unicode strings whole under every code page); empty
// when the link cannot be read.
std::wstring LinkTarget(const std::wstring& linkPath);

// Text in the ANSI code page as UTF-8.
std::string AnsiToUtf8(const std::string& text);
