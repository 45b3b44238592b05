// The few file operations that differ between the POSIX and the Windows
// C runtime, and paths as UTF-8 text.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace Mkpkg {

namespace fs = std::filesystem;

fs::path PathFromUtf8(const std::string& text);
std::string PathToUtf8(const fs::path& path);
// For messages: UTF-8 with malformed bytes and controls escaped.
std::string ShowPath(const fs::path& path);

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Null on failure, with the C runtime's error number in error.
FileHandle OpenForReading(const fs::path& path, int& error);
// Creates a file that must not exist yet (never follows or reuses one).
FileHandle CreateExclusive(const fs::path& path, int& error);
// Flushes the C buffers, so that a write that fails shows now. Like tar and
// cp, the tool does not wait for the data to reach the disk (fsync): that
// cost as much again as the whole copy of a large tree.
bool FlushBuffers(std::FILE* file, int& error);

std::string ErrorText(int error);
bool IsTerminal(std::FILE* stream);

}  // namespace Mkpkg
