#pragma once

#include "platform/partio/ByteSource.h"
#include "platform/partio/Partio.h"

namespace platform::partio {

// The points of a classic binary BGEO file (version 5). Every count and length is checked
// against the bytes left before it is used; throws FormatError for anything else.
Partio::ParticlesDataMutable* ReadBgeo(ByteSource& in);

}  // namespace platform::partio
