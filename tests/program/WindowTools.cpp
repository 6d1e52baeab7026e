// What the window test needs beyond xdotool and xwd:
//   window_tools close WINDOW        asks the window to close, as its close button does
//   window_tools compare XWD PNG     exit 0 when the screenshot's pixels equal the PNG's
//                                    colours (alpha aside)
//   window_tools ink PNG [X0 Y0 X1 Y1]
//                                    the box "x0 y0 x1 y1" of the pixels (within the given
//                                    box, bounds included) that differ from the top-left
//                                    one ("none" when all are alike)

#include "tests/dxut/XWindowTools.h"
#include "tests/dxut/XwdImage.h"

#include <stb_image.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// 0x00BBGGRR per pixel, as the screenshot holds them.
struct PngImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> rgb;

    bool Read(const char* path)
    {
        int channels = 0;
        unsigned char* data = stbi_load(path, &width, &height, &channels, 3);
        if (!data) return false;
        rgb.resize(static_cast<std::size_t>(width) * height);
        for (std::size_t i = 0; i < rgb.size(); ++i) {
            rgb[i] = data[3 * i] | (data[3 * i + 1] << 8) | (std::uint32_t{data[3 * i + 2]} << 16);
        }
        stbi_image_free(data);
        return true;
    }
};

int Compare(const char* xwdPath, const char* pngPath)
{
    qz::test::XwdImage shot;
    PngImage png;
    const std::string problem = shot.Read(xwdPath);
    if (!problem.empty() || !png.Read(pngPath)) {
        std::fprintf(stderr, "cannot read the images: %s\n", problem.c_str());
        return 2;
    }
    if (shot.width != png.width || shot.height != png.height) {
        std::printf("sizes differ: screenshot %dx%d, PNG %dx%d\n", shot.width, shot.height, png.width, png.height);
        return 1;
    }
    const auto differing = std::inner_product(shot.rgb.begin(), shot.rgb.end(), png.rgb.begin(), std::size_t{0},
                                              std::plus<>(), std::not_equal_to<>());
    std::printf("%dx%d, %zu pixels differ\n", shot.width, shot.height, differing);
    return differing == 0 ? 0 : 1;
}

int Ink(const char* pngPath, const int* within)
{
    PngImage png;
    if (!png.Read(pngPath)) return 2;
    const int left = within ? std::max(0, within[0]) : 0;
    const int top = within ? std::max(0, within[1]) : 0;
    const int right = within ? std::min(png.width - 1, within[2]) : png.width - 1;
    const int bottom = within ? std::min(png.height - 1, within[3]) : png.height - 1;
    int x0 = png.width, y0 = png.height, x1 = -1, y1 = -1;
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            if (png.rgb[static_cast<std::size_t>(y) * png.width + x] != png.rgb[0]) {
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x);
                y1 = std::max(y1, y);
            }
        }
    }
    if (x1 < 0) {
        std::printf("none\n");
    } else {
        std::printf("%d %d %d %d\n", x0, y0, x1, y1);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "close" && argc == 3) return qz::test::RequestClose(std::strtoul(argv[2], nullptr, 0)) ? 0 : 1;
    if (command == "compare" && argc == 4) return Compare(argv[2], argv[3]);
    if (command == "ink" && argc == 3) return Ink(argv[2], nullptr);
    if (command == "ink" && argc == 7) {
        const int within[4] = {std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6])};
        return Ink(argv[2], within);
    }
    std::fprintf(stderr, "usage: window_tools close WINDOW | compare XWD PNG | ink PNG [X0 Y0 X1 Y1]\n");
    return 2;
}
