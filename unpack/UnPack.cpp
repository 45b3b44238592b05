#include "UnPack.h"

#include "FileSystem.h"
#include "NewFile.h"
#include "PackageFormat.h"
#include "Path.h"

TUnPackOutcome TUnPack::LoadPackage(const std::string& name) {
  KeyFilePath.clear();
  RootDirName.clear();
  LoadedRootDirName.clear();
  Package::CheckResult check;
  bool foreign = false;
  TUnPackOutcome outcome;
  // Opening, checking and decoding all fall under one handler: running out
  // of memory while the names are taken in cannot open the file either.
  try {
    FileName = name;
    Stream = std::make_unique<TPackageStream>(FileName);
    Stream->ReadForTest = ReadForTest;
    Stream->Pin = Pin;
    Stream->OnCheckProgress = OnLoadProgress;
    Size = Stream->Size();
    Pos = 0;
    // The whole record stream is judged now, its file data skipped, so that
    // a damaged or hostile package is refused before anything is written.
    check = Stream->Check();
    foreign = !Stream->MatchesPin();
    if (!foreign && check.Status == Package::CheckStatus::Sound) {
      KeyFileName = check.Head.KeyFileName;
      Title = check.Head.Title;
      FolderName = check.Head.FolderName;
      LoadedRootDirName = check.RootDirName;
      RequiredSize = check.Head.RequiredSize;
      Pos = int32_t(check.Head.StreamOffset);
      return outcome;
    }
  } catch (...) {
    Stream.reset();
    outcome.Problem = TUnPackOutcome::CanNotOpen;
    return outcome;
  }

  Stream.reset();
  if (foreign) {
    outcome.Problem = TUnPackOutcome::Foreign;
  } else if (check.Status == Package::CheckStatus::BadVersion) {
    outcome.Problem = TUnPackOutcome::BadVersion;
  } else {
    outcome.Problem = TUnPackOutcome::Damaged;
    outcome.Damage = Package::DescribeProblem(check);
  }
  return outcome;
}

TUnPackOutcome TUnPack::Extract(TFolderChain& target) {
  TUnPackOutcome outcome;
  if (!Stream) {
    outcome.Problem = TUnPackOutcome::NothingHeld;
    return outcome;
  }
  // The chain is the caller's; the extractor only goes down and back in it.
  folders_ = &target;
  struct TForgetChain {
    TFolderChain*& folders;
    ~TForgetChain() { folders = nullptr; }
  } forget{folders_};
  targetDepth_ = target.Depth();
  stops_.Start(Size, ProgressStops);
  KeyFound = false;

  Stream->StartExtraction(Pos, PieceSize);
  try {
    while (Pos < Size) {
      Package::RecordInfo record;
      const Package::TRecordCheck::Outcome next = Stream->NextRecord(record);
      if (next == Package::TRecordCheck::End) break;
      if (next == Package::TRecordCheck::BadKind) {
        Stream->RequireRecordsAsLoaded();
        outcome.Problem = TUnPackOutcome::BadCommand;
        outcome.Command = record.Kind;
        break;
      }
      try {
        switch (record.Kind) {
          case Package::KindDirectory: EnterDirectory(record.Name); break;
          case Package::KindLeave: LeaveDirectory(); break;
          default: ExtractFile(record); break;
        }
      } catch (...) {
        // The package stays held; Pos stays on the record, so that a retry
        // starts there and nothing ever takes file data for records.
        Pos = int32_t(record.Offset);
        throw;
      }
      Pos = Stream->Pos();
      if (stops_.Reached(Pos) && OnProgress) OnProgress();
    }
    Stream->RequireRecordsAsLoaded();
  } catch (const EBadFormat& damage) {
    Stream.reset();
    // Changed since the load: with a Pin, no longer the program's own.
    outcome.Problem = Pin ? TUnPackOutcome::Foreign : TUnPackOutcome::Damaged;
    outcome.Damage = damage.Message;
    return outcome;
  } catch (const EForeignPackage&) {
    Stream.reset();
    outcome.Problem = TUnPackOutcome::Foreign;
    return outcome;
  } catch (...) {
    // Pinned, the package is extracted once: let go of, it cannot be
    // extracted again.
    if (Pin) Stream.reset();
    throw;
  }

  Stream.reset();
  outcome.KeyFileMissing = !KeyFound;
  return outcome;
}

void TUnPack::EnterDirectory(const std::string& name) {
  if (RootDirName.empty()) RootDirName = name;
  if (folders_->Enter(name, Created) && OnFolderCreated) OnFolderCreated(folders_->Path());
}

void TUnPack::LeaveDirectory() {
  if (folders_->Depth() > targetDepth_) folders_->Leave();
}

void TUnPack::ExtractFile(const Package::RecordInfo& record) {
  const std::string& name = record.Name;
  const bool replacing = OnFileWritten && PathExists(name);
  TNewFile file(*folders_, name, Created);
  Stream->TakeData(record, [&](const uint8_t* piece, size_t count) {
    if (WriteForTest) WriteForTest(name, piece, count);
    WriteWhole(file.File(), piece, uint32_t(count));
  });
  file.PutInPlace();
  if (OnFileWritten) OnFileWritten(JoinPath(folders_->Path(), name), replacing);
  if (Package::KeyNameMatches(name, KeyFileName)) {
    KeyFound = true;
    KeyFilePath = folders_->Path() + "\\" + name;
  }
}
