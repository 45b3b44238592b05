#include "Progress.h"

#include <cstdio>

namespace Mkpkg {

ProgressBar::ProgressBar(Draw draw, Clock clock, double delay, double interval)
    : draw_(std::move(draw)), clock_(std::move(clock)), start_(clock_()), delay_(delay), interval_(interval) {}

void ProgressBar::Update(uint64_t done, uint64_t total) {
  done_ = done;
  total_ = total;
  const double now = clock_();
  if (now - start_ < delay_ || (shown_ && now - lastDrawn_ < interval_)) return;
  draw_("\r" + ProgressLine(done, total));
  shown_ = true;
  lastDrawn_ = now;
}

void ProgressBar::Finish() {
  if (shown_) draw_("\r" + ProgressLine(total_, total_) + "\n");
  shown_ = false;
}

std::string ProgressLine(uint64_t done, uint64_t total) {
  constexpr int Width = 30;
  if (done > total) done = total;
  const int percent = total ? int(done * 100 / total) : 100;
  const int filled = total ? int(done * Width / total) : Width;
  std::string bar = "[" + std::string(size_t(filled), '#') + std::string(size_t(Width - filled), '.') + "]";
  char figures[64];
  std::snprintf(figures, sizeof figures, " %3d%%  %.1f of %.1f MiB", percent, double(done) / 1048576.0,
                double(total) / 1048576.0);
  return bar + figures;
}

}  // namespace Mkpkg
