#include "MakePackage.h"

#include <algorithm>

#include "AtomicOutput.h"
#include "CodePages.h"
#include "Errors.h"
#include "FileIO.h"
#include "ManualPaths.h"
#include "NameRules.h"
#include "PackageFormat.h"
#include "PackageWriter.h"
#include "TextConversion.h"
#include "TreeSurvey.h"
#include "TreeWalk.h"

namespace Mkpkg {

namespace {

struct HeaderTexts {
  std::string Key, Title, Folder;
};

HeaderTexts EncodeHeaderTexts(const MakeOptions& options, const CodePage* codePage) {
  HeaderTexts texts;
  if (options.Title.empty()) throw MkpkgError("the title is empty");
  EncodedText title = EncodeText(options.Title, codePage);
  if (!title.Problem.empty()) throw MkpkgError("the title " + title.Problem);
  for (char c : title.Bytes)
    if (static_cast<unsigned char>(c) < 0x20) throw MkpkgError("the title holds a control character");
  texts.Title = std::move(title.Bytes);

  // The folder is made under the destination and names the registry key.
  PackageName folder = ConvertName(options.Folder, codePage);
  if (!folder.Problem.empty())
    throw MkpkgError("the folder name \"" + DisplayUtf8(options.Folder) + "\" " + folder.Problem);
  texts.Folder = std::move(folder.Bytes);

  if (options.Key.find_first_of("/\\") != std::string::npos)
    throw MkpkgError("the key file \"" + DisplayUtf8(options.Key) + "\" must be a file name without a folder");
  PackageName key = ConvertName(options.Key, codePage);
  if (!key.Problem.empty()) throw MkpkgError("the key file name \"" + DisplayUtf8(options.Key) + "\" " + key.Problem);
  texts.Key = std::move(key.Bytes);
  return texts;
}

// The last component of the folder as given: "1.0/" and "./1.0" give "1.0".
fs::path VersionFolderName(const fs::path& dir) {
  fs::path normal = fs::absolute(dir).lexically_normal();
  if (normal.filename().empty()) normal = normal.parent_path();
  return normal.filename();
}

bool IsWithin(const fs::path& path, const fs::path& folder) {
  auto p = path.begin();
  for (auto f = folder.begin(); f != folder.end(); ++f, ++p)
    if (p == path.end() || *p != *f) return false;
  return true;
}

void CheckOutputPlace(const fs::path& output, const fs::path& root) {
  std::error_code error, outputError, treeError;
  if (fs::is_directory(output, error)) throw MkpkgError(ShowPath(output) + ": is a folder");
  const fs::path outputFolder = fs::weakly_canonical(fs::absolute(output), outputError).parent_path();
  const fs::path tree = fs::canonical(root, treeError);
  if (!outputError && !treeError && IsWithin(outputFolder, tree))
    throw MkpkgError(ShowPath(output) + ": the package must not be written inside the folder it packs");
}

// A real installer's shortcut to the manual points beside the key file.
void WarnAboutManuals(const TreeTotals& totals, MakeObserver& observer) {
  for (const std::string manual : Package::ManualPaths) {
    fs::path at = totals.LastKeyFolder;
    bool found = true;
    for (size_t start = 0, stop = 0; found && start <= manual.size(); start = stop + 1) {
      stop = std::min(manual.find('\\', start), manual.size());
      const std::string part = manual.substr(start, stop - start);
      const std::u32string wanted = FoldCase(std::u32string(part.begin(), part.end()));
      std::error_code error;
      fs::path match;
      for (fs::directory_iterator it(at, error), end; !error && it != end; it.increment(error)) {
        std::u32string name;
        if (DecodeUtf8(PathToUtf8(it->path().filename()), name) && FoldCase(name) == wanted) match = it->path();
      }
      found = !match.empty();
      at = match;
    }
    if (!found) {
      std::string shown = manual;
      std::replace(shown.begin(), shown.end(), '\\', '/');
      observer.Warning("no " + shown + " beside the key file " + DisplayUtf8(totals.LastKeyPath) +
                       ": the installer's Manual shortcut will point nowhere");
    }
  }
}

int32_t ChooseRequiredSize(const MakeOptions& options, const TreeTotals& totals, MakeObserver& observer) {
  constexpr int64_t Max = Package::RequiredSizeLimit;
  if (options.Required) {
    if (*options.Required < 0 || *options.Required > Max)
      throw MkpkgError("--required must be between 0 and " + std::to_string(Max));
    if (uint64_t(*options.Required) < totals.DataBytes)
      observer.Warning("--required " + std::to_string(*options.Required) + " is less than the " +
                       std::to_string(totals.DataBytes) + " bytes of the files themselves");
    return int32_t(*options.Required);
  }
  const uint64_t required = totals.DefaultRequired();
  if (required > uint64_t(Max))
    throw MkpkgError("the space the tree needs on disk (" + std::to_string(required) +
                     " bytes) does not fit the package header; give --required");
  return int32_t(required);
}

}  // namespace

MakeSummary MakePackage(const MakeOptions& options, MakeObserver& observer) {
  const CodePage* codePage = nullptr;
  if (options.CodePage) {
    codePage = FindCodePage(options.CodePage);
    if (!codePage)
      throw MkpkgError("code page " + std::to_string(options.CodePage) + " is not supported (supported: " +
                       SupportedCodePages() + ")");
  }
  const HeaderTexts texts = EncodeHeaderTexts(options, codePage);
  const fs::path root = PathFromUtf8(options.VersionDir);
  const fs::path output = PathFromUtf8(options.Output);
  const std::string rootName = PathToUtf8(VersionFolderName(root));
  if (rootName.empty()) throw MkpkgError(ShowPath(root) + ": has no name to give the version folder");
  CheckOutputPlace(output, root);

  WalkOptions walk;
  walk.Codepage = codePage;
  walk.FollowLinks = options.FollowLinks;
  TreeSurvey survey(texts.Key);
  WalkTree(root, rootName, walk, survey);
  const TreeTotals& totals = survey.Totals();

  if (!totals.KeyMatches)
    throw MkpkgError("the key file \"" + DisplayUtf8(options.Key) + "\" is not in " + ShowPath(root) +
                     " (file names are matched as the installer matches them: ASCII letters in any case)");
  if (totals.KeyMatches > 1)
    observer.Warning("the key file name matches " + std::to_string(totals.KeyMatches) + " files (first " +
                     DisplayUtf8(totals.FirstKeyPath) + "); the installer uses the last, " +
                     DisplayUtf8(totals.LastKeyPath));
  WarnAboutManuals(totals, observer);

  MakeSummary summary;
  summary.PackageBytes =
      Package::HeaderSize(texts.Key.size(), texts.Title.size(), texts.Folder.size()) + totals.RecordBytes;
  if (summary.PackageBytes >= Package::SizeLimit)
    throw MkpkgError("the package would be " + std::to_string(summary.PackageBytes) + " bytes; " +
                     Package::SizeLimitRule() + " (" + std::to_string(Package::SizeLimit) + " bytes)");
  summary.RequiredSize = ChooseRequiredSize(options, totals, observer);
  summary.RequiredGiven = options.Required.has_value();
  summary.Directories = totals.Directories;
  summary.Files = totals.Files;
  summary.DataBytes = totals.DataBytes;
  summary.RootDirName = rootName;
  summary.KeyPath = totals.LastKeyPath;

  AtomicOutput out(output);
  const uint64_t total = summary.PackageBytes;
  PackageWriter writer(out, [&](uint64_t done) { observer.Progress(done, total); });
  writer.Header(texts.Key, texts.Title, texts.Folder, summary.RequiredSize);
  WalkTree(root, rootName, walk, writer);
  if (writer.Written() != total)
    throw MkpkgError(ShowPath(root) + ": the tree changed while it was being packed; nothing was written");
  out.Commit();
  return summary;
}

}  // namespace Mkpkg
