// The program's load-configuration directory. Microsoft's runtime supplies
// one in every program it links; this MinGW runtime (mingw-w64 10) has none,
// so the directory is given here, under the name such runtimes give it
// (_load_config_used). GNU ld 2.40 does not point the image's directory
// entry at it: finish-image.py does, after the link.
//
// What it sets: DependentLoadFlags. From Windows 10 1607 on, the loader
// then resolves the DLLs the program imports, at start-up, before any of
// its code runs, from System32 alone: a DLL of the same name lying beside
// setup.exe (a Downloads folder) is never taken. Older systems ignore the
// field (it was reserved).
//
// What it leaves empty, as the toolchain's own runtime does:
// - SecurityCookie: none of this code is compiled with Microsoft's /GS
//   checks, so nothing reads a cookie the loader would set (GCC's stack
//   protector, when used, keeps its own guard).
// - SEHandlerTable/Count (SafeSEH): GCC registers no structured exception
//   handlers in 32-bit code (C++ exceptions unwind by DWARF tables), so
//   there is no handler to list. An empty entry means "no table", as for
//   any image built without one.
// - The Control Flow Guard fields: GCC emits no guard checks.
#include <windows.h>

#include <cstddef>

namespace {

// IMAGE_LOAD_CONFIG_CODE_INTEGRITY.
struct CodeIntegrity {
  WORD Flags;
  WORD Catalog;
  DWORD CatalogOffset;
  DWORD Reserved;
};

// IMAGE_LOAD_CONFIG_DIRECTORY32 as Windows 10's SDK has it (up to
// CastGuardOsDeterminedFailureMode); the toolchain's header still has the
// older form, whose Reserved1 is DependentLoadFlags here.
struct LoadConfigDirectory32 {
  DWORD Size;
  DWORD TimeDateStamp;
  WORD MajorVersion;
  WORD MinorVersion;
  DWORD GlobalFlagsClear;
  DWORD GlobalFlagsSet;
  DWORD CriticalSectionDefaultTimeout;
  DWORD DeCommitFreeBlockThreshold;
  DWORD DeCommitTotalFreeThreshold;
  DWORD LockPrefixTable;
  DWORD MaximumAllocationSize;
  DWORD VirtualMemoryThreshold;
  DWORD ProcessHeapFlags;
  DWORD ProcessAffinityMask;
  WORD CSDVersion;
  WORD DependentLoadFlags;
  DWORD EditList;
  DWORD SecurityCookie;
  DWORD SEHandlerTable;
  DWORD SEHandlerCount;
  DWORD GuardCFCheckFunctionPointer;
  DWORD GuardCFDispatchFunctionPointer;
  DWORD GuardCFFunctionTable;
  DWORD GuardCFFunctionCount;
  DWORD GuardFlags;
  CodeIntegrity CodeIntegrity;
  DWORD GuardAddressTakenIatEntryTable;
  DWORD GuardAddressTakenIatEntryCount;
  DWORD GuardLongJumpTargetTable;
  DWORD GuardLongJumpTargetCount;
  DWORD DynamicValueRelocTable;
  DWORD CHPEMetadataPointer;
  DWORD GuardRFFailureRoutine;
  DWORD GuardRFFailureRoutineFunctionPointer;
  DWORD DynamicValueRelocTableOffset;
  WORD DynamicValueRelocTableSection;
  WORD Reserved2;
  DWORD GuardRFVerifyStackPointerFunctionPointer;
  DWORD HotPatchTableOffset;
  DWORD Reserved3;
  DWORD EnclaveConfigurationPointer;
  DWORD VolatileMetadataPointer;
  DWORD GuardEHContinuationTable;
  DWORD GuardEHContinuationCount;
  DWORD GuardXFGCheckFunctionPointer;
  DWORD GuardXFGDispatchFunctionPointer;
  DWORD GuardXFGTableDispatchFunctionPointer;
  DWORD CastGuardOsDeterminedFailureMode;
};

// The layout is the 32-bit one: fields hold 32-bit addresses.
static_assert(sizeof(void*) == 4, "this load-configuration layout is the 32-bit one");
static_assert(offsetof(LoadConfigDirectory32, DependentLoadFlags) == 54, "DependentLoadFlags moved");
static_assert(offsetof(LoadConfigDirectory32, SecurityCookie) == 60, "SecurityCookie moved");
static_assert(offsetof(LoadConfigDirectory32, SEHandlerCount) == 68, "SEHandlerCount moved");
static_assert(offsetof(LoadConfigDirectory32, GuardFlags) == 88, "GuardFlags moved");
static_assert(sizeof(LoadConfigDirectory32) == 188, "not the size Windows 10's loader knows");

// Everything zero but the size and the flags.
constexpr LoadConfigDirectory32 SystemOnlyImports() {
  LoadConfigDirectory32 directory{};
  directory.Size = sizeof directory;
  directory.DependentLoadFlags = LOAD_LIBRARY_SEARCH_SYSTEM32;
  return directory;
}

}  // namespace

// Kept by the link (see CMakeLists.txt): nothing in the program refers to it.
extern "C" const LoadConfigDirectory32 _load_config_used;
extern "C" __attribute__((used)) const LoadConfigDirectory32 _load_config_used = SystemOnlyImports();
