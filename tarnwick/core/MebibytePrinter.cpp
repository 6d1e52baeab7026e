#include "tarnwick/core/MebibytePrinter.h"

#include <cstdint>

namespace qz::core {

std::ostream& MebibytePrinter(std::ostream& stream, const VariantEncapsulation& value)
{
    return stream << value.As<std::int64_t>() / 1024 / 1024 << " MiB";
}

}  // namespace qz::core
