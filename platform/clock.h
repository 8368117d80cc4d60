// rulecore: an embeddable expert-system shell.
// A monotonic millisecond clock for run timings.
#ifndef RULECORE_PLATFORM_CLOCK_H_
#define RULECORE_PLATFORM_CLOCK_H_

#include <chrono>

namespace rulecore {

// Whole milliseconds from a fixed, unspecified start; never goes back.
inline double MillisecondClock() {
  using namespace std::chrono;
  return static_cast<double>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace rulecore

#endif  // RULECORE_PLATFORM_CLOCK_H_
