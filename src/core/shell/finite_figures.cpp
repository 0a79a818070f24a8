#include "shell/finite_figures.h"

#include <cmath>

namespace membrane {

void FiniteFigures::Found(const char* name, double value) {
    if (!firstName_.empty()) return;
    firstName_ = name;
    firstValue_ = value;
}

void FiniteFigures::Add(const char* name, double value) {
    if (!std::isfinite(value)) Found(name, value);
}

void FiniteFigures::Add(const char* name, std::span<const double> values) {
    for (const double value : values)
        if (!std::isfinite(value)) return Found(name, value);
}

void FiniteFigures::Add(const char* name, std::span<const Vec3> values) {
    for (const Vec3& v : values)
        for (const double value : {v.x, v.y, v.z})
            if (!std::isfinite(value)) return Found(name, value);
}

std::string FiniteFigures::FirstNotFinite() const {
    if (firstName_.empty()) return {};
    const char* value = std::isnan(firstValue_) ? "nan" : firstValue_ > 0 ? "inf" : "-inf";
    return firstName_ + " is " + value;
}

}  // namespace membrane
