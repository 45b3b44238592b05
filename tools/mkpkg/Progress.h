// The progress bar of mkpkg make on a terminal. It appears only once the
// work has taken longer than a moment, and redraws a few times a second.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace Mkpkg {

class ProgressBar {
 public:
  using Clock = std::function<double()>;                   // seconds, any origin
  using Draw = std::function<void(const std::string&)>;  // raw text for the terminal

  ProgressBar(Draw draw, Clock clock, double delay = 0.5, double interval = 0.1);
  void Update(uint64_t done, uint64_t total);
  // Completes the bar if it was shown, so later output starts on a new line.
  void Finish();

 private:
  Draw draw_;
  Clock clock_;
  double start_, delay_, interval_, lastDrawn_ = -1;
  uint64_t done_ = 0, total_ = 0;
  bool shown_ = false;
};

// "[#####...............]  25%  1.0 of 4.0 MiB"
std::string ProgressLine(uint64_t done, uint64_t total);

}  // namespace Mkpkg
