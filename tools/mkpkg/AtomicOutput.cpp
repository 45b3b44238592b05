#include "AtomicOutput.h"

#include <cerrno>
#include <random>

#include "Errors.h"
#include "Interrupt.h"

namespace Mkpkg {

namespace {

std::string RandomSuffix() {
  static std::mt19937 generator{std::random_device{}()};
  static const char digits[] = "0123456789abcdef";
  std::string suffix;
  for (int i = 0; i < 12; ++i) suffix += digits[generator() % 16];
  return suffix;
}

}  // namespace

AtomicOutput::AtomicOutput(const fs::path& target) : target_(target) {
  const fs::path folder = target.parent_path();
  const std::string base = "." + PathToUtf8(target.filename()) + ".";
  int error = 0;
  InterruptsHeld held;
  for (int attempt = 0; attempt < 100 && !file_; ++attempt) {
    temp_ = folder / PathFromUtf8(base + RandomSuffix() + ".tmp");
    file_ = CreateExclusive(temp_, error);
    if (!file_ && error != EEXIST) break;
  }
  if (!file_)
    throw MkpkgError("cannot create a file beside " + ShowPath(target_) + ": " + ErrorText(error));
  WatchTempFile(temp_);
}

AtomicOutput::~AtomicOutput() {
  if (!committed_) Discard();
}

void AtomicOutput::Write(const void* data, size_t size) {
  if (!file_) throw MkpkgError("writing " + ShowPath(temp_) + " after it was closed");
  if (size && std::fwrite(data, 1, size, file_.get()) != size) {
    const int error = errno;
    Discard();
    throw MkpkgError("cannot write " + ShowPath(target_) + ": " + ErrorText(error));
  }
}

void AtomicOutput::Commit() {
  int error = 0;
  if (!file_ || !FlushBuffers(file_.get(), error) || std::fclose(file_.release()) != 0) {
    if (!error) error = errno;
    Discard();
    throw MkpkgError("cannot write " + ShowPath(target_) + ": " + ErrorText(error));
  }
  InterruptsHeld held;  // renamed and forgotten in one step
  std::error_code renameError;
  fs::rename(temp_, target_, renameError);
  if (renameError) {
    Discard();
    throw MkpkgError("cannot replace " + ShowPath(target_) + ": " + renameError.message());
  }
  committed_ = true;
  ForgetTempFile();
}

void AtomicOutput::Discard() {
  file_.reset();
  std::error_code ignored;
  fs::remove(temp_, ignored);
  ForgetTempFile();
}

}  // namespace Mkpkg
