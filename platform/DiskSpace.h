// Free disk space, as the calling user may use it (quotas applied).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Bytes available to the calling user on the volume that holds `path`: a
// drive root, any existing directory, a UNC path or a mounted folder. An
// empty path measures the current drive. -1 when it cannot be measured.
int64_t FreeSpaceAt(const std::string& path);

// Lets tests give FreeSpaceAt its figure. An empty function restores the
// real measurement.
using FreeSpaceHook = std::function<int64_t(const std::string& path)>;
void SetFreeSpaceHook(FreeSpaceHook hook);
