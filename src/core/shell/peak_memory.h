// The most memory this process has held so far.
#pragma once

namespace membrane {

// Peak resident set size in MB from /proc/self/status (VmHWM); 0 where that is not
// available.
double PeakMemoryMb();

}  // namespace membrane
