// Loads a data.z package and replays its records into a directory, reading
// the package in pieces while holding it unchanged from load to the end.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "CreatedItems.h"
#include "FolderChain.h"
#include "PackageStream.h"

// A notification without arguments, bound to its receiver.
using TNotifyEvent = std::function<void()>;

class TUnPack {
 public:
  std::unique_ptr<TPackageStream> Stream;  // the package held; none when not held
  // Bytes read at a time while extracting: 1 MiB, chosen by measurement
  // (bench/run.sh compares others through unpackcli --piece-size).
  size_t PieceSize = size_t(1) << 20;
  // OnProgress is called at most this many times, evenly through the package.
  static constexpr int32_t ProgressStops = 8;
  int32_t Size = 0;
  int32_t Pos = 0;
  std::string FileName;
  std::string TargetDir;
  std::string Title;
  std::string FolderName;
  int32_t RequiredSize = 0;
  TNotifyEvent OnProgress;
  int32_t NextStop = 0;
  int32_t Step = 0;
  std::string KeyFileName;
  std::string KeyFilePath;
  bool KeyFound = false;
  std::string RootDirName;
  // The first version folder the package names, known from the load on (an
  // empty one when its records start with no folder); RootDirName is set as
  // the extraction makes it.
  std::string LoadedRootDirName;
  // Set by Extract when it reported a problem of the package (an unknown
  // record kind, the key file missing), so that a caller can stop there.
  bool ExtractReportedProblem = false;
  // Where the folders and files that Extract creates are recorded; none when null.
  TCreatedItems* Created = nullptr;
  // Whether the caller made TargetDir in this run: then nothing in it existed before.
  bool TargetCreated = false;
  // Told the full path of each folder Extract creates, and of each file once
  // it is written in place, with whether it replaced one; none when empty.
  std::function<void(const std::string& path)> OnFolderCreated;
  std::function<void(const std::string& path, bool replaced)> OnFileWritten;
  // The SHA-256 this setup program was built for, when it names one: a
  // package of another digest is refused at load; one found changed by the
  // extraction (damaged, or of another digest at its end) is reported with
  // the same message, and Extract ends as for a damaged one.
  std::optional<TSha256Digest> Pin;
  // With a Pin, LoadPackage reads the whole package: called as it goes.
  std::function<void(int32_t done, int32_t total)> OnLoadProgress;
  // Test seam: the package's reads from its load on (see
  // TPackageStream::ReadForTest), so that a test sees every read.
  std::function<size_t(size_t offset, uint8_t* into, size_t count)> ReadForTest;

  // Reads and checks the package; false after a failure it has reported.
  bool LoadPackage(const std::string& name);
  // Replays the records into TargetDir; false only when no package is held.
  // Each record is checked again as it is read: a package found damaged now
  // (changed since the load) is reported as at load and ends the extraction.
  // File-system failures, a TargetDir that cannot be entered or a read of
  // the package that fails among them, raise EInOutError and leave the
  // package held, Pos at the failed record.
  // So does a current directory other than the one the records lead to:
  // nothing is written anywhere else. Leave records beyond TargetDir (which
  // the load check lets through only at the end) do not climb out of it.
  // An end of the program requested while messages are handled at a
  // progress stop raises EAbort there: no record after that stop is replayed.
  bool Extract();

  void InitPacing();
  void CheckPacing();
  // Makes TargetDir current, where the records start; EInOutError when it
  // cannot be entered.
  void EnterTargetDir();
  // The records, each read and checked by Extract first.
  void EnterDirectory(const std::string& name);
  void LeaveDirectory();
  void ExtractFile(const Package::RecordInfo& record);

 private:
  void ShowBadFormat(const std::string& problem);
  void ShowForeignPackage();
  // Raises unless the current directory is ExpectedDir.
  void RequireExpectedDir() const;

  // Where the records lead, and TargetDir, as DirectoryKey gives them. The
  // levels are counted here, on the names as the system converts them: in a
  // double-byte code page a backslash byte may belong to a character.
  std::wstring ExpectedDir;
  std::wstring TargetKey;
  // The folders from TargetDir down to the current one, held while inside.
  TFolderChain Folders;
};
