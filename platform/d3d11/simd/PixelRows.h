#pragma once
// Rows of 32-bit pixels rewritten through four per-byte tables (byte i of a pixel
// becomes tables[i][byte]). Runs of equal pixels, which a GUI's flat areas are made of,
// are looked up once and stored several pixels at a time.

#include <cstddef>
#include <cstdint>

namespace d3d11sw {

using ByteTables = std::uint8_t[4][256];

// Rewrites `count` pixels from `row` on.
void MapPixelRow(std::byte* row, int count, const ByteTables& tables);

}  // namespace d3d11sw
