// Removes an unfinished temporary file when the tool is interrupted
// (Ctrl-C, SIGTERM, a closed terminal), so that nothing half-written stays.
#pragma once

#include <filesystem>

namespace Mkpkg {

void WatchTempFile(const std::filesystem::path& path);
void ForgetTempFile();

}  // namespace Mkpkg
