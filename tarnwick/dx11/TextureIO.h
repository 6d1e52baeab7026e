#pragma once
// Image files into RGBA8 memory (stb_image), and their mip chains built on the CPU.

#include "tarnwick/dx11/ImageLevel.h"

#include <string>

namespace qz::dx11 {

class TextureIO {
public:
    // Empties the levels, then reads the file: on success one level. Files that cannot
    // be opened or decoded, and grey images, are logged as warnings and leave no level.
    static void LoadFromFile(ImageLevels& levels, const std::string& fileName);

    // Appends the reduced levels to the level 0 held, each half the size of the one
    // before (rounded down) until a side would reach 0. Each result pixel covers exactly
    // its share of the area of the level before, odd sides included: its value is the
    // sum of the source pixels weighted by the share they give, truncated.
    static void GenerateMipChain(ImageLevels& levels);
};

}  // namespace qz::dx11
