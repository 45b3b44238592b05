// Removes an unfinished temporary file when the tool is interrupted
// (Ctrl-C, SIGTERM, a closed terminal), so that nothing half-written stays.
#pragma once

#include <filesystem>

#ifndef _WIN32
#include <signal.h>
#endif

namespace Mkpkg {

void WatchTempFile(const std::filesystem::path& path);
void ForgetTempFile();

// Holds those interrupts back while it lives, so that a file cannot be
// created and then left behind before it is watched.
class InterruptsHeld {
 public:
  InterruptsHeld();
  ~InterruptsHeld();
  InterruptsHeld(const InterruptsHeld&) = delete;
  InterruptsHeld& operator=(const InterruptsHeld&) = delete;

#ifndef _WIN32
 private:
  sigset_t saved_;
#endif
};

}  // namespace Mkpkg
