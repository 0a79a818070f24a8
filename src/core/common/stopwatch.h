// Wall-clock seconds since construction or the last Restart.
#pragma once

#include <chrono>

namespace membrane {

class Stopwatch {
  public:
    double Seconds() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }
    void Restart() { start_ = Clock::now(); }

  private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point start_ = Clock::now();
};

}  // namespace membrane
