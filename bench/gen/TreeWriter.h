// Writes a workload's tree to disk.
#pragma once

#include <filesystem>

#include "Workloads.h"

namespace Bench {

// Creates every file of the workload under root (the version folder), with
// contents that depend only on the file's path. Throws std::runtime_error.
void WriteTree(const Workload& workload, const std::filesystem::path& root);

}  // namespace Bench
