// The names in a folder held open, listed through its handle.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "Handle.h"

// Calls visit(name, attributes) for each item in the folder (opened with
// FILE_LIST_DIRECTORY), "." and ".." left out. The listing is read whole
// first, so that visit may remove what it is told of.
void ForEachItemIn(const THandle& folder, const std::function<void(const std::wstring& name, uint32_t attributes)>& visit);
