// The bars of a form-finding model's force-density network: every distinct triangle side
// and cable segment once (a cable along triangle sides shares their bars), and which bar
// each triangle side and each cable segment is.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "form/form_model.h"

namespace membrane {

struct FormBars {
    std::vector<std::array<std::int32_t, 2>> ends;        // node indices, first < second
    std::vector<std::array<std::int32_t, 3>> ofTriangle;  // bar of side k (opposite corner k)
    std::vector<std::vector<std::int32_t>> ofCable;       // bar of segment k of each cable
};

FormBars BuildFormBars(const FormModel& model);

}  // namespace membrane
