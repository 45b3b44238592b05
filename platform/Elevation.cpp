#include "Elevation.h"

#include <aclapi.h>

bool RunsElevated() {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
  const THandle token(raw);
  TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
  DWORD size = 0;
  return GetTokenInformation(token.Get(), TokenElevationType, &type, sizeof type, &size) &&
         type == TokenElevationTypeFull;
}

THandle LinkedToken() {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return THandle();
  const THandle token(raw);
  TOKEN_LINKED_TOKEN linked{};
  DWORD size = 0;
  if (!GetTokenInformation(token.Get(), TokenLinkedToken, &linked, sizeof linked, &size)) return THandle();
  return THandle(linked.LinkedToken);
}

bool IsAdministrator(HANDLE token) {
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof sid;
  BOOL member = FALSE;
  return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size) &&
         CheckTokenMembership(token, sid, &member) && member;
}

bool TokenMayChange(PSECURITY_DESCRIPTOR sd, HANDLE token) {
  GENERIC_MAPPING mapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
  PRIVILEGE_SET privileges{};
  DWORD privilegesSize = sizeof privileges, granted = 0;
  BOOL status = FALSE;
  if (!AccessCheck(sd, token, MAXIMUM_ALLOWED, &mapping, &privileges, &privilegesSize, &granted, &status))
    return true;
  // Nothing granted at all: the check succeeds with a status of failure.
  return status && (granted & ChangeRights) != 0;
}

TSecurityDescriptor SecurityOf(HANDLE item) {
  const SECURITY_INFORMATION parts = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  PSECURITY_DESCRIPTOR sd = nullptr;
  const DWORD error = GetSecurityInfo(item, SE_FILE_OBJECT, parts, nullptr, nullptr, nullptr, nullptr, &sd);
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return TSecurityDescriptor();
  }
  return TSecurityDescriptor(sd);
}
