// Every figure a run is about to write or show, checked to be a finite number: a result
// that overflowed (a pressure of 1e300, a cable force of 1e305) or is not a number would
// otherwise be written as "inf" or "nan" into files that other programs read, and the run
// would end as a success. The analysis lists its figures by name; the run shell refuses
// the run when one of them is not finite (run_shell.h).
#pragma once

#include <initializer_list>
#include <span>
#include <string>

#include "common/vec3.h"

namespace membrane {

class FiniteFigures {
  public:
    void Add(const char* name, double value);
    void Add(const char* name, std::span<const double> values);
    void Add(const char* name, std::span<const Vec3> values);
    void Add(const char* name, std::initializer_list<double> values) {
        Add(name, std::span<const double>(values.begin(), values.size()));
    }
    void Add(const char* name, std::initializer_list<Vec3> values) {
        Add(name, std::span<const Vec3>(values.begin(), values.size()));
    }

    bool AllFinite() const { return firstName_.empty(); }
    // "the area is inf", "a reaction is nan": the first figure that was not finite.
    std::string FirstNotFinite() const;

  private:
    void Found(const char* name, double value);

    std::string firstName_;
    double firstValue_ = 0.0;
};

}  // namespace membrane
