// The program writes and reads every number with "." as the decimal point, whatever the
// user's locale: model files, reports and the numbers typed into the dialogs are exchanged
// between machines with different locales.
#pragma once

namespace membrane {

// Sets the C library's numeric locale to "C". Qt sets the user's locale at start-up, which
// would let any strtod/printf-family conversion read or write a decimal comma.
void ForceDotDecimalPoint();

}  // namespace membrane
