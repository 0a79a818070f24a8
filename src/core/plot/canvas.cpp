#include "plot/canvas.h"

#include <cstdlib>

namespace membrane {

int FontPixelHeight(int size, int pixelsPerInch) {
    const long long points = std::llabs(static_cast<long long>(size));
    return static_cast<int>((points * pixelsPerInch + 36) / 72);
}

}  // namespace membrane
