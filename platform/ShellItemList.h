// Ownership of the shell's item-ID lists (PIDLs).
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <memory>

// The shell allocates item lists with the task allocator, the one that
// SHGetMalloc hands out; the owner frees it on every way out.
struct TItemIdListFree {
  void operator()(ITEMIDLIST* list) const { CoTaskMemFree(list); }
};
using TItemIdList = std::unique_ptr<ITEMIDLIST, TItemIdListFree>;
