#include "PackageWriter.h"

#include <cerrno>

#include "Errors.h"
#include "FileIO.h"
#include "PackageFormat.h"

namespace Mkpkg {

PackageWriter::PackageWriter(ByteSink& sink, ProgressEvent progress)
    : sink_(sink), progress_(std::move(progress)), chunk_(ChunkSize) {}

void PackageWriter::Put(const std::string& bytes) {
  sink_.Write(bytes.data(), bytes.size());
  written_ += bytes.size();
  if (progress_) progress_(written_);
}

void PackageWriter::Header(const std::string& keyFileName, const std::string& title, const std::string& folderName,
                           int32_t requiredSize) {
  Put(Package::EncodeHeader(keyFileName, title, folderName, requiredSize));
}

void PackageWriter::EnterDirectory(const TreeEntry& directory) { Put(Package::EncodeDirectoryRecord(directory.Name)); }

void PackageWriter::LeaveDirectory() { Put(Package::EncodeLeaveRecord()); }

void PackageWriter::File(const TreeEntry& file) {
  if (file.Size >= Package::SizeLimit)
    throw MkpkgError(ShowPath(file.Source) + ": " + Package::FileTooLargeProblem());
  Put(Package::EncodeFileRecordStart(file.Name, int32_t(file.Size)));
  CopyData(file);
}

// The record already states the size: a file that changed since the folder
// was read must not leave a stream whose records no longer line up.
void PackageWriter::CopyData(const TreeEntry& file) {
  int error = 0;
  FileHandle in = OpenForReading(file.Source, error);
  if (!in) throw MkpkgError(ShowPath(file.Source) + ": cannot be opened: " + ErrorText(error));
  // Reads go straight into the chunk: a buffered stream would split each
  // small file into two reads and ask for its size again.
  std::setvbuf(in.get(), nullptr, _IONBF, 0);
  uint64_t left = file.Size;
  while (left) {
    const size_t want = left < chunk_.size() ? size_t(left) : chunk_.size();
    const size_t got = std::fread(chunk_.data(), 1, want, in.get());
    if (got == 0) {
      if (std::ferror(in.get())) throw MkpkgError(ShowPath(file.Source) + ": cannot be read: " + ErrorText(errno));
      throw MkpkgError(ShowPath(file.Source) + ": became shorter while it was being packed");
    }
    sink_.Write(chunk_.data(), got);
    written_ += got;
    left -= got;
    if (progress_) progress_(written_);
  }
  if (std::fgetc(in.get()) != EOF)
    throw MkpkgError(ShowPath(file.Source) + ": became longer while it was being packed");
}

}  // namespace Mkpkg
