// Wall-clock timing and the process's resident memory, as the benchmark reports them.
#pragma once

#include <chrono>

namespace bench {

class Stopwatch {
  public:
    Stopwatch() : start_(std::chrono::steady_clock::now()) {}
    double seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

  private:
    std::chrono::steady_clock::time_point start_;
};

// Returns freed heap to the system and restarts the kernel's peak-resident-memory mark at the
// current resident size, so that PeakRssMb() afterwards tells the peak of what ran in between.
// False when the kernel does not allow the restart (the peak is then the process's lifetime peak).
bool RestartPeakRss();
double PeakRssMb();
double CurrentRssMb();

}  // namespace bench
