// Colours of the scene's bars: a colour index becomes the text written after
// "diffuseColor", three components between 0 and 1 for red, green and blue.
#pragma once

#include <string>

namespace membrane {

// Rows 0..16 are a palette, 20..29 a scale from turquoise to blue, 30..39 a scale from
// pale pink to red. 17, 18 and every index outside 0..39 give the default dark red.
// Each component is c / 255 in the general real format ("0", "1", "0.709803921568627"),
// with "." as the decimal point whatever the locale.
std::string VrmlColour(int colourIndex);

}  // namespace membrane
