#pragma once

#include "tarnwick/core/VariantEncapsulation.h"

namespace qz::core {

// Writes an int64 byte count in whole mebibytes, truncated towards zero, and " MiB".
extern const VariantPrinter MebibytePrinter;

}  // namespace qz::core
