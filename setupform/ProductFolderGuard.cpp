#include "ProductFolderGuard.h"

#include "Elevation.h"
#include "Errors.h"
#include "FileIdentity.h"
#include "FolderProtection.h"

namespace {

// The chain's current folder, opened again with `access`: it is held, so
// it cannot have been swapped, but that is checked all the same.
THandle OpenCurrent(const TFolderChain& chain, DWORD access) {
  THandle folder(CreateFileW(L".", access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!folder.Valid()) throw EInOutError(int(GetLastError()));
  if (InfoOf(folder).Identity != chain.Identity()) throw EInOutError(ERROR_ACCESS_DENIED, LinkRefusedMessage(chain.Path()));
  return folder;
}

bool OthersMayChangeCurrent(const TFolderChain& chain) {
  const TSecurityDescriptor sd = SecurityOf(OpenCurrent(chain, READ_CONTROL).Get());
  if (!sd.Valid()) throw EInOutError(int(GetLastError()));
  return OthersMayChange(sd.Get());
}

}  // namespace

std::string SharedFolderMessage(const std::string& path) {
  return "Setup does not install into a folder that other users can change: " + path;
}

TProductFolderGuard::TProductFolderGuard(const TFolderChain& chain) : Elevated(RunsElevated()) {
  if (Elevated) DestinationShared = OthersMayChangeCurrent(chain);
}

void TProductFolderGuard::Apply(const TFolderChain& chain, bool made) const {
  if (!Elevated) return;
  if (!made) {
    if (OthersMayChangeCurrent(chain)) throw EInOutError(ERROR_ACCESS_DENIED, SharedFolderMessage(chain.Path()));
    return;
  }
  if (DestinationShared && !ProtectAsProgramFiles(OpenCurrent(chain, READ_CONTROL | WRITE_DAC).Get()))
    throw EInOutError(int(GetLastError()));
}
