// Free disk space, as the calling user may use it (quotas applied).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Bytes available to the calling user on the volume that holds `path`: a
// drive root, any existing directory, a UNC path or a mounted folder. An
// empty path measures the current drive. -1 when it cannot be measured.
int64_t FreeSpaceAt(const std::string& path);

// The root of a drive number, "C:\" for 3: the letter is (drive + 64)
// modulo 256, whatever character that gives. Empty for 0, which
// FreeSpaceAt takes as the current drive.
std::string DriveRoot(uint8_t drive);

// Lets tests give FreeSpaceAt its figure. An empty function restores the
// real measurement.
using FreeSpaceHook = std::function<int64_t(const std::string& path)>;
void SetFreeSpaceHook(FreeSpaceHook hook);
