#include "PackageFile.h"

#include "Errors.h"
#include "PackageFormat.h"

namespace Mkpkg {

FileHandle OpenPackageFile(const fs::path& path) {
  std::error_code error;
  if (fs::is_directory(path, error)) throw MkpkgError(ShowPath(path) + ": is a folder");
  int openError = 0;
  FileHandle in = OpenForReading(path, openError);
  if (!in) throw MkpkgError(ShowPath(path) + ": cannot be opened: " + ErrorText(openError));
  return in;
}

std::vector<uint8_t> ReadPackageFile(const std::string& utf8Path) {
  const fs::path path = PathFromUtf8(utf8Path);
  FileHandle in = OpenPackageFile(path);
  std::error_code error;
  const uintmax_t size = fs::file_size(path, error);
  if (error) throw MkpkgError(ShowPath(path) + ": cannot be read: " + error.message());
  if (size >= Package::SizeLimit)
    throw MkpkgError(ShowPath(path) + ": " + std::to_string(size) + " bytes; " + Package::SizeLimitRule() +
                     ", the installer cannot load it");
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (size && std::fread(bytes.data(), 1, bytes.size(), in.get()) != bytes.size())
    throw MkpkgError(ShowPath(path) + ": cannot be read completely");
  return bytes;
}

void PackagePath::Enter(const std::string& name) {
  size_t start = 0;
  for (size_t i = 0; i <= name.size(); ++i) {
    if (i < name.size() && name[i] != '\\' && name[i] != '/') continue;
    const std::string component = name.substr(start, i - start);
    if (!component.empty() && component != ".") components_.push_back(component);
    start = i + 1;
  }
}

void PackagePath::Leave() {
  if (!components_.empty()) components_.pop_back();
}

std::string PackagePath::Of(const std::string& name) const {
  std::string path;
  for (const std::string& component : components_) path += component + "\\";
  return path + name;
}

}  // namespace Mkpkg
