// Where the progress stops of an extraction fall: evenly through the
// package, one each time the position passes the next multiple of a step.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>

struct TProgressPacing {
  int32_t Step = 0;
  int32_t NextStop = 0;

  void Start(int32_t size, int32_t stops) {
    Step = size / stops;
    NextStop = Step;
  }

  // Whether pos has reached the next stop; if so the stop after it is next.
  bool Reached(int32_t pos) {
    if (pos < NextStop) return false;
    // Near 2 GiB the stop after the last one no longer fits in 32 bits.
    NextStop = int32_t(std::min<int64_t>(int64_t(NextStop) + Step, INT32_MAX));
    return true;
  }
};
