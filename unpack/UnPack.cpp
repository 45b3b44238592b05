#include "UnPack.h"

#include <algorithm>

#include "FileIdentity.h"
#include "FileSystem.h"
#include "NewFile.h"
#include "PackageFormat.h"
#include "Path.h"
#include "SystemNameText.h"
#include "Text.h"

namespace {

// Follows the folders the records enter and leave, to find a file of a
// reserved name in the version folder: the folder the first directory
// record enters (the target itself when there is none).
class TReservedNameCheck {
 public:
  explicit TReservedNameCheck(const std::vector<std::string>& names) : names_(names) {}

  void Visit(const Package::RecordInfo& record) {
    if (names_.empty() || !problem_.empty()) return;
    if (record.Kind == Package::KindLeave) {
      if (!here_.empty()) here_.pop_back();
      return;
    }
    std::vector<std::wstring> components = Components(record.Name);
    if (record.Kind == Package::KindDirectory) {
      here_.insert(here_.end(), components.begin(), components.end());
      if (!versionKnown_) version_ = here_;
      versionKnown_ = true;
      return;
    }
    if (components.empty()) return;
    const std::wstring file = components.back();
    components.pop_back();
    std::vector<std::wstring> folder = here_;
    folder.insert(folder.end(), components.begin(), components.end());
    if (!SameFolder(folder, versionKnown_ ? version_ : std::vector<std::wstring>())) return;
    for (const std::string& reserved : names_)
      if (SameName(file, ToWide(reserved))) {
        problem_ = "file record " + Package::QuotedName(record.Name, SystemNameText()) + " takes the name of setup's own " +
                   reserved + " in the version folder";
        offset_ = record.Offset;
      }
  }

  const std::string& Problem() const { return problem_; }
  size_t Offset() const { return offset_; }

 private:
  // The folders a name passes, as the system reads them ("" and "." add none).
  static std::vector<std::wstring> Components(const std::string& name) {
    std::vector<std::wstring> components;
    std::wstring component;
    for (wchar_t c : ToWide(name) + L"\\") {
      if (c != L'\\' && c != L'/') {
        component.push_back(c);
      } else {
        if (!component.empty() && component != L".") components.push_back(component);
        component.clear();
      }
    }
    return components;
  }

  static bool SameFolder(const std::vector<std::wstring>& a, const std::vector<std::wstring>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (!SameName(a[i], b[i])) return false;
    return true;
  }

  const std::vector<std::string>& names_;
  std::vector<std::wstring> here_, version_;
  bool versionKnown_ = false;
  std::string problem_;
  size_t offset_ = 0;
};

}  // namespace

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
    TReservedNameCheck reserved(ReservedNames);
    check = Stream->Check([&reserved](const Package::RecordInfo& record) { reserved.Visit(record); });
    if (check.Status == Package::CheckStatus::Sound && !reserved.Problem().empty()) {
      check.Status = Package::CheckStatus::Damaged;
      check.Problem = reserved.Problem();
      check.ProblemOffset = reserved.Offset();
    }
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
  if (folders_->Enter(name, Created) && OnFolderCreated) OnFolderCreated(folders_->Path(), folders_->Identity());
}

void TUnPack::LeaveDirectory() {
  if (folders_->Depth() > targetDepth_) folders_->Leave();
}

void TUnPack::ExtractFile(const Package::RecordInfo& record) {
  const std::string& name = record.Name;
  // A name that reaches into folders below goes down through the chain,
  // each level checked as a directory record's are, and comes back.
  std::wstring wide = ToWide(name);
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  const size_t separator = wide.rfind(L'\\');
  const size_t depth = folders_->Depth();
  if (separator != std::wstring::npos) folders_->EnterExisting(FromWide(wide.substr(0, separator + 1)));
  const std::string fileName = FromWide(wide.substr(separator + 1));
  TNewFile file(*folders_, fileName, Created);
  Stream->TakeData(record, [&](const uint8_t* piece, size_t count) {
    if (WriteForTest) WriteForTest(name, piece, count);
    WriteWhole(file.File(), piece, uint32_t(count));
  });
  file.PutInPlace();
  const std::string path = JoinPath(folders_->Path(), fileName);
  while (folders_->Depth() > depth) folders_->Leave();
  if (OnFileWritten) OnFileWritten(path, file.Replacing(), file.Identity());
  if (Package::KeyNameMatches(name, KeyFileName)) {
    KeyFound = true;
    KeyFilePath = path;
  }
}
