// Runs one GUI workload a number of times and writes the target's bytes: the pixels of
// two builds, two thread counts or the two kinds of kernels compare byte for byte, and
// instruction counters (callgrind --toggle-collect=RunFrames) measure the frames alone.
//   d3d11_gui_driver frame|blend|text|image|scaled[-quads] threads frames [bytes-file]
// "-quads" uses the kernels written per quad instead of those written per span.

#include "bench/d3d11/GuiWorkload.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>

using namespace guibench;

namespace {

// Not inlined, so that counters can be switched on for the frames alone.
[[gnu::noinline]] void RunFrames(Gui& gui, const std::string& workload, int frames)
{
    const std::vector<std::string> lines = TextCellLines();
    for (int i = 0; i < frames; ++i) {
        if (workload == "frame") {
            GuiFrame(gui);
        } else if (workload == "blend") {
            gui.Rectangle(0, 0, kWidth, kHeight, kPanel);
            gui.End();
        } else if (workload == "text") {
            TextCells(gui, lines);
        } else if (workload == "image") {
            gui.Rectangle(100, 100, 256, 256, kLogoTint, true);
            gui.End();
        } else {
            gui.Rectangle(100, 100, 300, 300, kLogoTint, true);
            gui.End();
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    std::string workload = argc > 1 ? argv[1] : "";
    const std::string quads = "-quads";
    const bool perQuad = workload.size() > quads.size() && workload.ends_with(quads);
    if (perQuad) {
        workload.resize(workload.size() - quads.size());
    }
    if (argc < 4 || (workload != "frame" && workload != "blend" && workload != "text" && workload != "image" &&
                     workload != "scaled")) {
        std::cerr << "usage: d3d11_gui_driver frame|blend|text|image|scaled[-quads] threads frames [bytes-file]\n";
        return 2;
    }
    Gui gui(static_cast<unsigned>(std::atoi(argv[2])), !perQuad);
    gui.Begin();
    gui.ClearTarget();
    RunFrames(gui, workload, std::atoi(argv[3]));
    if (argc > 4) {
        const std::vector<std::uint8_t> bytes = gui.ReadBack();
        std::ofstream out(argv[4], std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::cerr << "cannot write " << argv[4] << "\n";
            return 1;
        }
    }
    return 0;
}
