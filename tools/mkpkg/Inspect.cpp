#include "Inspect.h"

#include "HexText.h"
#include "PackageFile.h"
#include "PackageFormat.h"
#include "TextConversion.h"

namespace Mkpkg {

namespace {

std::string Padded(const std::string& text, size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string VersionProblem(const uint8_t* data) {
  return "bad version " + std::to_string(Package::ReadInt32(data)) + " (the installer reads version " +
         std::to_string(Package::Version) + ") at byte offset 0";
}

std::string BadKindProblem(const Package::CheckResult& r, const uint8_t* data) {
  const uint8_t kind = data[r.BadKindOffset];
  return "unknown record kind 0x" + HexByte(kind) + " at byte offset " + std::to_string(r.BadKindOffset) +
         ": the installer stops extracting there (" + Package::BadCommandText(kind) + ")";
}

}  // namespace

Listing ListPackage(const uint8_t* data, size_t size, const CodePage* codePage) {
  Listing listing;
  PackagePath path;
  std::string records;
  const Package::CheckResult r = Package::CheckPackage(data, size, [&](const Package::RecordInfo& record) {
    switch (record.Kind) {
      case Package::KindDirectory:
        path.Enter(record.Name);
        records += "d " + Padded("0", 12) + "  " + DisplayPackageText(path.Of(""), codePage) + "\n";
        break;
      case Package::KindLeave:
        path.Leave();
        break;
      case Package::KindFile:
        records += "- " + Padded(std::to_string(record.DataSize), 12) + "  " +
                   DisplayPackageText(path.Of(record.Name), codePage) + "\n";
        break;
    }
  });
  if (r.Status == Package::CheckStatus::BadVersion) {
    listing.Problem = VersionProblem(data);
    return listing;
  }
  if (r.Status == Package::CheckStatus::Sound || r.Head.StreamOffset) {
    listing.Text = "Key file:      " + DisplayPackageText(r.Head.KeyFileName, codePage) + "\n" +
                   "Title:         " + DisplayPackageText(r.Head.Title, codePage) + "\n" +
                   "Folder:        " + DisplayPackageText(r.Head.FolderName, codePage) + "\n" +
                   "Required size: " + std::to_string(r.Head.RequiredSize) + " bytes\n";
  }
  listing.Text += records;
  if (r.Status == Package::CheckStatus::Damaged)
    listing.Problem = DisplayPackageText(Package::DescribeProblem(r), codePage);
  else if (r.BadKind)
    listing.Problem = BadKindProblem(r, data);
  return listing;
}

Verdict VerifyPackage(const uint8_t* data, size_t size, const CodePage* codePage) {
  Verdict verdict;
  PackagePath path;
  uint64_t directories = 0, files = 0;
  std::string keyPath;
  // A first check decodes the header: the key's name is needed to find its place.
  const std::string keyName = Package::CheckPackage(data, size).Head.KeyFileName;
  const Package::CheckResult r = Package::CheckPackage(data, size, [&](const Package::RecordInfo& record) {
    if (record.Kind == Package::KindDirectory) {
      ++directories;
      path.Enter(record.Name);
    } else if (record.Kind == Package::KindLeave) {
      path.Leave();
    } else {
      ++files;
      if (Package::KeyNameMatches(record.Name, keyName)) keyPath = path.Of(record.Name);
    }
  });
  switch (r.Status) {
    case Package::CheckStatus::BadVersion:
      verdict.Problems.push_back(VersionProblem(data));
      return verdict;
    case Package::CheckStatus::Damaged:
      verdict.Problems.push_back(DisplayPackageText(Package::DescribeProblem(r), codePage));
      return verdict;
    case Package::CheckStatus::Sound:
      break;
  }
  if (r.BadKind) verdict.Problems.push_back(BadKindProblem(r, data));
  if (!r.KeyPresent)
    verdict.Problems.push_back("the key file \"" + DisplayPackageText(r.Head.KeyFileName, codePage) +
                               "\" is not in the package: the installer reports it missing at byte offset " +
                               std::to_string(r.BadKind ? r.BadKindOffset : size));
  if (r.FinalDepth != 0) {
    const int levels = r.FinalDepth < 0 ? -r.FinalDepth : r.FinalDepth;
    verdict.Problems.push_back("folder and leave records do not balance: extraction ends " +
                               std::to_string(levels) + (levels == 1 ? " level " : " levels ") +
                               (r.FinalDepth > 0 ? "below" : "above") + " the target folder at byte offset " +
                               std::to_string(r.BadKind ? r.BadKindOffset : size));
  }
  verdict.Summary = "sound: version folder " + DisplayPackageText(r.RootDirName, codePage) + ", " +
                    std::to_string(directories) + (directories == 1 ? " folder, " : " folders, ") +
                    std::to_string(files) + (files == 1 ? " file" : " files") + ", key file " +
                    DisplayPackageText(keyPath, codePage);
  return verdict;
}

}  // namespace Mkpkg
