// Loads a data.z package and replays its records into a folder, reading
// the package in pieces while holding it unchanged from load to the end.
// It shows nothing: each step returns what it came to, and Messages gives
// the texts the user is to read about it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CreatedItems.h"
#include "FolderChain.h"
#include "PackageStream.h"
#include "ProgressPacing.h"
#include "UnPackOutcome.h"

// A notification without arguments, bound to its receiver.
using TNotifyEvent = std::function<void()>;

class TUnPack {
 public:
  // OnProgress is called at most this many times, evenly through the package.
  static constexpr int32_t ProgressStops = 8;

  std::unique_ptr<TPackageStream> Stream;  // the package held; none when not held
  // Bytes read at a time while extracting: 1 MiB, chosen by measurement
  // (bench/run.sh compares others through unpackcli --piece-size).
  size_t PieceSize = size_t(1) << 20;
  int32_t Size = 0;
  int32_t Pos = 0;
  std::string FileName;
  std::string Title;
  std::string FolderName;
  int32_t RequiredSize = 0;
  // Called at each progress stop, between records. Whatever it raises (an
  // EAbort when the user ends the program meanwhile) ends the extraction
  // there: no record after that stop is replayed.
  TNotifyEvent OnProgress;
  std::string KeyFileName;
  std::string KeyFilePath;
  bool KeyFound = false;
  std::string RootDirName;
  // The first version folder the package names, known from the load on (an
  // empty one when its records start with no folder); RootDirName is set as
  // the extraction makes it.
  std::string LoadedRootDirName;
  // Names of files the program itself puts in the version folder (the
  // folder of the first directory record): a package that has a file of
  // such a name there is refused at load as damaged, so that neither
  // overwrites the other.
  std::vector<std::string> ReservedNames;
  // Where the folders and files that Extract creates are recorded; none when null.
  TCreatedItems* Created = nullptr;
  // Told the full path and identity of each folder Extract creates, and of
  // each file once it is written in place, with whether it replaced one;
  // none when empty.
  std::function<void(const std::string& path, const TFileIdentity& identity)> OnFolderCreated;
  std::function<void(const std::string& path, bool replaced, const TFileIdentity& identity)> OnFileWritten;
  // The SHA-256 this setup program was built for, when it names one: a
  // package of another digest is refused at load; one found changed by the
  // extraction (a block read that is not the one loaded, before any of its
  // bytes reaches a file) is Foreign, and Extract ends as for a damaged one.
  // Such a package is extracted once: an Extract that raises lets go of it.
  std::optional<TSha256Digest> Pin;
  // With a Pin, LoadPackage reads the whole package: called as it goes.
  std::function<void(int32_t done, int32_t total)> OnLoadProgress;
  // Test seam: the package's reads from its load on (see
  // TPackageStream::ReadForTest), so that a test sees every read.
  std::function<size_t(size_t offset, uint8_t* into, size_t count)> ReadForTest;
  // Test seam: each piece of a file's data just before it is written to the
  // file `name` (as its record names it), so that a test sees every write.
  std::function<void(const std::string& name, const uint8_t* piece, size_t count)> WriteForTest;

  // Reads and checks the package; it is held only when the outcome is Sound.
  TUnPackOutcome LoadPackage(const std::string& name);
  // Replays the records into the folder `target` stands in, entering and
  // leaving folders below it (never above: leave records beyond it, which
  // the load check lets through only at the end, leave the chain there).
  // Each record is checked again as it is read: a package found damaged now
  // (changed since the load) ends the extraction as at load.
  // File-system failures, a folder the chain refuses or a read of the
  // package that fails among them, raise EInOutError and leave the package
  // held (unless pinned), Pos at the failed record, the chain where it failed.
  TUnPackOutcome Extract(TFolderChain& target);
  // The texts to show the user for an outcome, in the order to show them;
  // none for a Sound one.
  std::vector<std::string> Messages(const TUnPackOutcome& outcome) const;

  const TProgressPacing& Pacing() const { return stops_; }

 private:
  // The records, each read and checked by Extract first.
  void EnterDirectory(const std::string& name);
  void LeaveDirectory();
  void ExtractFile(const Package::RecordInfo& record);

  TProgressPacing stops_;
  // The folders from the target down to the current one, while extracting.
  TFolderChain* folders_ = nullptr;
  size_t targetDepth_ = 0;
};
