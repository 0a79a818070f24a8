#include "desktop/decimal_point.h"

#include <clocale>

namespace membrane {

void ForceDotDecimalPoint() {
    std::setlocale(LC_NUMERIC, "C");
}

}  // namespace membrane
