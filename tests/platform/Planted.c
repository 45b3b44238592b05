/* A DLL placed beside a program, as a planted DLL would lie beside setup.exe
 * in a Downloads folder. It exports one function for tests that load it by
 * name. Planted under the name of a system DLL, it stands in for that DLL:
 * when the environment names a folder in PLANTED_MARKERS, loading it leaves
 * there an empty file NAME.before or NAME.after (NAME: the DLL's file name),
 * by whether the program had restricted its DLL search when the loader
 * took this copy (the default search path then lacks the program's folder).
 *
 * Built without the C runtime and importing kernel32 alone, so that it can
 * stand in for any DLL but kernel32's own kin. */
#include <windows.h>

__declspec(dllexport) int Planted(void) { return 42; }

typedef LONG(NTAPI* GetDllPathFn)(PCWSTR, ULONG, PWSTR*, PWSTR*);
typedef void(NTAPI* ReleasePathFn)(PWSTR);

static const WCHAR* FileName(const WCHAR* path) {
  const WCHAR* name = path;
  for (; *path; ++path)
    if (*path == L'\\') name = path + 1;
  return name;
}

/* Whether the search a LoadLibrary without flags makes now leaves out the
 * program's folder. */
static BOOL SearchRestricted(void) {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  GetDllPathFn getDllPath = (GetDllPathFn)(void (*)(void))GetProcAddress(ntdll, "LdrGetDllPath");
  ReleasePathFn releasePath = (ReleasePathFn)(void (*)(void))GetProcAddress(ntdll, "RtlReleasePath");
  WCHAR folder[MAX_PATH];
  PWSTR path = NULL, unused = NULL;
  BOOL restricted = TRUE;
  int length;
  if (!getDllPath || !releasePath || !GetModuleFileNameW(NULL, folder, MAX_PATH)) return FALSE;
  length = (int)(FileName(folder) - folder) - 1; /* without the last backslash */
  if (getDllPath(L"planted.dll", 0, &path, &unused) != 0) return FALSE;
  for (const WCHAR* entry = path; *entry;) {
    const WCHAR* end = entry;
    while (*end && *end != L';') ++end;
    if (end - entry == length && CompareStringOrdinal(entry, length, folder, length, TRUE) == CSTR_EQUAL)
      restricted = FALSE;
    entry = *end ? end + 1 : end;
  }
  releasePath(path);
  return restricted;
}

static void LeaveMarker(HINSTANCE self) {
  WCHAR marker[2 * MAX_PATH], self_path[MAX_PATH];
  DWORD folder = GetEnvironmentVariableW(L"PLANTED_MARKERS", marker, MAX_PATH);
  HANDLE file;
  if (folder == 0 || folder >= MAX_PATH || !GetModuleFileNameW(self, self_path, MAX_PATH)) return;
  lstrcatW(marker, L"\\");
  lstrcatW(marker, FileName(self_path));
  lstrcatW(marker, SearchRestricted() ? L".after" : L".before");
  file = CreateFileW(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) LeaveMarker(self);
  return TRUE;
}
