#include "TreeWalk.h"

#include <algorithm>
#include <vector>

#include "Errors.h"
#include "FileIO.h"
#include "NameRules.h"

namespace Mkpkg {

namespace {

struct Child {
  TreeEntry Entry;
  std::u32string Folded;
  bool IsDirectory = false;
};

class Walker {
 public:
  Walker(const WalkOptions& options, TreeVisitor& visitor) : options_(options), visitor_(visitor) {}

  void Directory(TreeEntry entry) {
    std::error_code error;
    const fs::path real = fs::canonical(entry.Source, error);
    if (error) Fail(entry.Source, "cannot be read: " + error.message());
    // Only a followed link can lead back into a folder being walked.
    if (std::find(ancestors_.begin(), ancestors_.end(), real) != ancestors_.end())
      Fail(entry.Source, "leads back into a folder that holds it (a symbolic link loop)");

    std::vector<Child> children = ReadChildren(entry);
    visitor_.EnterDirectory(entry);
    ancestors_.push_back(real);
    for (Child& child : children)
      if (child.IsDirectory) Directory(std::move(child.Entry));
    for (const Child& child : children)
      if (!child.IsDirectory) visitor_.File(child.Entry);
    ancestors_.pop_back();
    visitor_.LeaveDirectory();
  }

 private:
  [[noreturn]] static void Fail(const fs::path& path, const std::string& what) {
    throw MkpkgError(ShowPath(path) + ": " + what);
  }

  std::vector<Child> ReadChildren(const TreeEntry& parent) {
    std::vector<Child> children;
    std::error_code error;
    fs::directory_iterator it(parent.Source, error), end;
    for (; !error && it != end; it.increment(error)) children.push_back(Describe(parent, *it));
    if (error) Fail(parent.Source, "cannot be read: " + error.message());

    // Subfolders first, then files, each sorted by the stored bytes.
    std::sort(children.begin(), children.end(), [](const Child& a, const Child& b) {
      if (a.IsDirectory != b.IsDirectory) return a.IsDirectory;
      return a.Entry.Name < b.Entry.Name;
    });
    // Windows keeps one of two names that differ only in letter case.
    std::vector<const Child*> byFold;
    for (const Child& child : children) byFold.push_back(&child);
    std::sort(byFold.begin(), byFold.end(), [](const Child* a, const Child* b) { return a->Folded < b->Folded; });
    for (size_t i = 1; i < byFold.size(); ++i)
      if (byFold[i - 1]->Folded == byFold[i]->Folded)
        Fail(byFold[i]->Entry.Source, "differs from " + ShowPath(byFold[i - 1]->Entry.Source.filename()) +
                                          " only in letter case; Windows would keep only one of them");
    return children;
  }

  // The entry's type comes with the folder listing on most systems: asking
  // the entry, not the path, saves a system call for each file of the tree.
  Child Describe(const TreeEntry& parent, const fs::directory_entry& entry) {
    const fs::path& path = entry.path();
    Child child;
    const std::string utf8 = PathToUtf8(path.filename());
    PackageName name = ConvertName(utf8, options_.Codepage);
    if (!name.Problem.empty()) Fail(path, "the name " + name.Problem);
    child.Entry.Name = std::move(name.Bytes);
    child.Folded = std::move(name.Folded);
    child.Entry.Source = path;
    child.Entry.RelativePath = parent.RelativePath + "/" + utf8;

    std::error_code error;
    const bool link = entry.is_symlink(error);
    if (error) Fail(path, "cannot be read: " + error.message());
    if (link) {
      if (!options_.FollowLinks)
        Fail(path, "is a symbolic link; give --follow-links to pack what it points to");
      const fs::file_status target = fs::status(path, error);
      if (error || !fs::exists(target)) Fail(path, "is a symbolic link that leads nowhere: " + error.message());
    }
    // For a followed link, the entry answers with its target's type.
    if (entry.is_directory(error)) {
      child.IsDirectory = true;
    } else if (!error && entry.is_regular_file(error)) {
      child.Entry.Size = fs::file_size(path, error);
      if (error) Fail(path, "cannot be read: " + error.message());
    } else {
      if (error) Fail(path, "cannot be read: " + error.message());
      Fail(path, "is neither a file nor a folder");
    }
    return child;
  }

  const WalkOptions& options_;
  TreeVisitor& visitor_;
  std::vector<fs::path> ancestors_;
};

}  // namespace

void WalkTree(const fs::path& root, const std::string& rootName, const WalkOptions& options, TreeVisitor& visitor) {
  PackageName name = ConvertName(rootName, options.Codepage);
  if (!name.Problem.empty()) throw MkpkgError(ShowPath(root) + ": the version folder's name " + name.Problem);
  std::error_code error;
  if (!fs::is_directory(root, error)) throw MkpkgError(ShowPath(root) + ": not a folder");
  TreeEntry entry;
  entry.Name = std::move(name.Bytes);
  entry.Source = root;
  entry.RelativePath = rootName;
  Walker(options, visitor).Directory(std::move(entry));
}

}  // namespace Mkpkg
