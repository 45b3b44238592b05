#include "FolderProtection.h"

#include <sddl.h>

#include <vector>

#include "Elevation.h"
#include "Handle.h"

const wchar_t ProgramFilesProtection[] = L"D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

namespace {

// NT SERVICE\TrustedInstaller, which owns the system's own files.
const wchar_t TrustedInstallerSid[] = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

struct TLocalSidKind {
  using Type = PSID;
  static bool Valid(PSID sid) { return sid != nullptr; }
  static void Close(PSID sid) { LocalFree(sid); }
};
using TLocalSid = TOwnedHandle<TLocalSidKind>;

std::vector<BYTE> WellKnownSid(WELL_KNOWN_SID_TYPE type) {
  std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
  DWORD size = DWORD(sid.size());
  if (!CreateWellKnownSid(type, nullptr, sid.data(), &size)) return {};
  return sid;
}

std::vector<BYTE> ThisUsersSid() {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
  const THandle token(raw);
  std::vector<BYTE> buffer(SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER));
  DWORD size = 0;
  if (!GetTokenInformation(token.Get(), TokenUser, buffer.data(), DWORD(buffer.size()), &size)) return {};
  const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  const BYTE* bytes = static_cast<const BYTE*>(sid);
  return std::vector<BYTE>(bytes, bytes + GetLengthSid(sid));
}

}  // namespace

bool OthersMayChange(PSECURITY_DESCRIPTOR sd) {
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  if (!GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted)) return true;
  // No DACL grants everyone everything.
  if (!present || !dacl) return true;
  PSID trustedInstallerSid = nullptr;
  ConvertStringSidToSidW(TrustedInstallerSid, &trustedInstallerSid);
  const TLocalSid trustedInstaller(trustedInstallerSid);
  const std::vector<BYTE> system = WellKnownSid(WinLocalSystemSid),
                          administrators = WellKnownSid(WinBuiltinAdministratorsSid),
                          creatorOwner = WellKnownSid(WinCreatorOwnerSid), self = ThisUsersSid();
  const auto trusted = [&](PSID sid) {
    for (const std::vector<BYTE>* known : {&system, &administrators, &creatorOwner, &self})
      if (!known->empty() && EqualSid(sid, const_cast<BYTE*>(known->data()))) return true;
    return trustedInstaller.Valid() && EqualSid(sid, trustedInstaller.Get());
  };
  const DWORD change = ChangeRights | GENERIC_WRITE | GENERIC_ALL;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) return true;
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
    if ((allowed->Mask & change) && !trusted(const_cast<DWORD*>(&allowed->SidStart))) return true;
  }
  return false;
}

bool ProtectAsProgramFiles(HANDLE folder) {
  PSECURITY_DESCRIPTOR raw = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(ProgramFilesProtection, SDDL_REVISION_1, &raw, nullptr))
    return false;
  const TSecurityDescriptor sd(raw);
  // Set on the folder alone, as the descriptor says (it is new and empty:
  // there is nothing below to pass it on to). Wine's SetSecurityInfo would
  // open the folder to everyone instead.
  return SetKernelObjectSecurity(folder, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, sd.Get()) != 0;
}
