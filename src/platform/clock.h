#pragma once

#include <chrono>

namespace scf {

// Seconds on the monotonic clock; every duration, time-out and estimate uses it.
inline double nowSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace scf
