// Runs CHOLMOD's own OpenMP loops on the calling thread while it lives.
//
// The supernodal factorization does its flops in the BLAS, which has threads of its own
// (one per core). CHOLMOD in addition opens OpenMP teams of a fixed size for copying and
// clearing large supernodes; on a machine with few cores those threads compete with the
// BLAS threads for the cores and spin while they wait, which costs far more than the
// copying gains (bench/README.md). With no active parallel level allowed, every OpenMP
// region runs on one thread. The previous setting is restored afterwards.
#pragma once

// The OpenMP runtime that CHOLMOD was built with, if the process has one: weak references,
// resolved against whatever runtime CHOLMOD brought in, null when there is none.
extern "C" {
int omp_get_max_active_levels(void) __attribute__((weak));
void omp_set_max_active_levels(int) __attribute__((weak));
}

namespace membrane {

class SerialOpenMp {
  public:
    SerialOpenMp() {
        if (omp_get_max_active_levels == nullptr || omp_set_max_active_levels == nullptr) return;
        previous_ = omp_get_max_active_levels();
        omp_set_max_active_levels(0);
    }
    ~SerialOpenMp() {
        if (previous_ >= 0) omp_set_max_active_levels(previous_);
    }
    SerialOpenMp(const SerialOpenMp&) = delete;
    SerialOpenMp& operator=(const SerialOpenMp&) = delete;

  private:
    int previous_ = -1;
};

}  // namespace membrane
