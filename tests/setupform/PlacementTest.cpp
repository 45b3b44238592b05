// Where the restored window goes on the desktop of one or several monitors.
#include <gtest/gtest.h>

#include "SetupForm.h"

namespace {

struct PlacementCase {
  const char* what;
  RECT desktop;
  SIZE window;
  POINT expected;
};

TEST(Placement, CentredOnTheDesktopWhereverItStarts) {
  const PlacementCase cases[] = {
      {"one screen, a taskbar of 40 at the bottom", {0, 0, 1920, 1080}, {1920, 1040}, {0, 20}},
      {"halves rounded toward zero", {0, 0, 1025, 769}, {100, 100}, {462, 334}},
      {"a monitor left of the main one", {-1280, 0, 1920, 1024}, {1920, 1040}, {-640, 0}},
      {"a monitor above the main one", {0, -1024, 1280, 1024}, {1280, 984}, {0, -492}},
      {"odd width left of 0", {-1281, 0, 0, 100}, {100, 100}, {-691, 0}},
      {"larger than the desktop: kept to its start", {-800, -50, 1024, 768}, {2000, 900}, {-800, -50}},
  };
  for (const PlacementCase& c : cases) {
    const POINT place = CentredOnDesktop(c.desktop, c.window);
    EXPECT_EQ(place.x, c.expected.x) << c.what;
    EXPECT_EQ(place.y, c.expected.y) << c.what;
  }
}

}  // namespace
