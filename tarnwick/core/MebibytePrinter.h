#pragma once

#include "tarnwick/core/VariantEncapsulation.h"

namespace qz::core {

// Writes an int64 byte count in whole mebibytes, truncated towards zero, and " MiB".
// A function rather than a stored printer object, so that items made during static
// initialisation can take it too.
std::ostream& MebibytePrinter(std::ostream& stream, const VariantEncapsulation& value);

}  // namespace qz::core
