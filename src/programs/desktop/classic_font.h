// The small sans-serif font of the program's windows. "MS Sans Serif" exists only on
// Windows; elsewhere fontconfig would stand a much wider face in for it, so the texts,
// laid out for its narrow letters, are set in a face with Arial's widths instead.
#pragma once

#include <QFont>

namespace membrane {

QFont ClassicFontPoints(int points, bool bold = false, bool underline = false);
QFont ClassicFontPixels(int pixels, bool bold = false, bool underline = false);

}  // namespace membrane
