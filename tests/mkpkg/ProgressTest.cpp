// The progress bar: silent for quick work, then a bounded line redrawn now
// and then, finished cleanly.
#include <gtest/gtest.h>

#include <vector>

#include "Progress.h"

using namespace Mkpkg;

TEST(Progress, AppearsOnlyAfterTheDelayAndRedrawsAtIntervals) {
  double now = 0;
  std::vector<std::string> drawn;
  ProgressBar bar([&](const std::string& s) { drawn.push_back(s); }, [&] { return now; }, 0.5, 0.1);
  now = 0.2;
  bar.Update(10, 100);
  EXPECT_TRUE(drawn.empty());
  now = 0.6;
  bar.Update(20, 100);
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_EQ(drawn[0], "\r[######........................]  20%  0.0 of 0.0 MiB");
  now = 0.65;
  bar.Update(30, 100);
  EXPECT_EQ(drawn.size(), 1u);
  now = 0.8;
  bar.Update(40, 100);
  EXPECT_EQ(drawn.size(), 2u);
  bar.Finish();
  ASSERT_EQ(drawn.size(), 3u);
  EXPECT_EQ(drawn[2], "\r[##############################] 100%  0.0 of 0.0 MiB\n");
}

TEST(Progress, QuickWorkLeavesNoTrace) {
  double now = 0;
  int draws = 0;
  ProgressBar bar([&](const std::string&) { ++draws; }, [&] { return now; });
  bar.Update(50, 100);
  bar.Update(100, 100);
  bar.Finish();
  EXPECT_EQ(draws, 0);
}

TEST(Progress, LineStaysInBounds) {
  EXPECT_EQ(ProgressLine(0, 0), "[##############################] 100%  0.0 of 0.0 MiB");
  EXPECT_EQ(ProgressLine(3u << 20, 2u << 20), "[##############################] 100%  2.0 of 2.0 MiB");
  EXPECT_EQ(ProgressLine(uint64_t(1) << 30, uint64_t(2) << 30).substr(0, 37), "[###############...............]  50%");
}
