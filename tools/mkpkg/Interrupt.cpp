#include "Interrupt.h"

#ifndef _WIN32
#include <csignal>
#include <cstring>
#include <unistd.h>
#endif

namespace Mkpkg {

#ifdef _WIN32

// Windows cannot delete a file that is still open; the console's own
// handling ends the process.
void WatchTempFile(const std::filesystem::path&) {}
void ForgetTempFile() {}
InterruptsHeld::InterruptsHeld() {}
InterruptsHeld::~InterruptsHeld() {}

#else

namespace {

char watchedPath[4096];
volatile sig_atomic_t watching = 0;
const int WatchedSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RemoveTempAndDie(int signal) {
  if (watching) unlink(watchedPath);
  std::signal(signal, SIG_DFL);
  raise(signal);
}

}  // namespace

void WatchTempFile(const std::filesystem::path& path) {
  const std::string& text = path.native();
  if (text.size() >= sizeof watchedPath) return;
  watching = 0;
  std::memcpy(watchedPath, text.c_str(), text.size() + 1);
  static bool installed = false;
  if (!installed) {
    for (int s : WatchedSignals) {
      struct sigaction action {};
      action.sa_handler = RemoveTempAndDie;
      sigemptyset(&action.sa_mask);
      sigaction(s, &action, nullptr);
    }
    installed = true;
  }
  watching = 1;
}

void ForgetTempFile() { watching = 0; }

InterruptsHeld::InterruptsHeld() {
  sigset_t held;
  sigemptyset(&held);
  for (int s : WatchedSignals) sigaddset(&held, s);
  sigprocmask(SIG_BLOCK, &held, &saved_);
}

InterruptsHeld::~InterruptsHeld() { sigprocmask(SIG_SETMASK, &saved_, nullptr); }

#endif

}  // namespace Mkpkg
