// particle_pipeline: synthetic particle files, and loading them as the application does.
//
//   particle_pipeline generate --kind dambreak|uniform --type pos|posvel|poscol --count 50M
//                              --output out/dambreak.raw [--seed 1] [--header 0]
//   particle_pipeline load --type pos|posvel|poscol|posrad|posnormal --input out/dambreak.raw
//                          [--header 0] [--brick-size 64 --overlap 4 --levels 6] [--velmax 1]
//                          [--workers 0] [--box x0,y0,z0,x1,y1,z1] [--chunk-length 50M]
//                          [--timesteps 1] [--ppv out/base] [--quiet 1]
//
// The file ending picks the format: .raw, .raw.gz, .bgeo. `load` loads the file into
// `timesteps` timesteps one after the other (the first finds the box unless one is given,
// the later ones keep it and insert while reading) and prints one JSON object with each
// stage's time and throughput per timestep and the peak memory, as its last line.

#include "bench/particle_pipeline/LoadCommand.h"
#include "bench/particle_pipeline/Options.h"
#include "bench/particle_pipeline/SyntheticParticles.h"
#include "tarnwick/utils/FileSizeSignal.h"
#include "tarnwick/utils/Timer.h"

#include <exception>
#include <iostream>

namespace {

int Generate(const Options& options)
{
    Synthetic::FileSpec spec;
    const std::string kind = options.Text("kind", "dambreak");
    if (kind == "dambreak") {
        spec.kind = Synthetic::Kind::DamBreak;
    } else if (kind == "uniform") {
        spec.kind = Synthetic::Kind::Uniform;
    } else {
        throw std::runtime_error("unknown --kind " + kind);
    }
    const std::string type = options.Text("type", "posvel");
    if (type == "pos") {
        spec.record = Synthetic::Record::Pos;
    } else if (type == "posvel") {
        spec.record = Synthetic::Record::PosVel;
    } else if (type == "poscol") {
        spec.record = Synthetic::Record::PosCol;
    } else {
        throw std::runtime_error("unknown --type " + type + " (pos, posvel, poscol)");
    }
    spec.count = options.Count("count", 1'000'000);
    spec.seed = options.Count("seed", 1);
    spec.headerSize = static_cast<int>(options.Count("header", 0));
    spec.path = options.Required("output");

    const double start = qz::utils::PerformanceCounterMilliseconds();
    Synthetic::WriteFile(spec);
    const double seconds = (qz::utils::PerformanceCounterMilliseconds() - start) / 1000.0;
    std::cout << "Wrote " << spec.count << " " << type << " particles (" << kind << ") to " << spec.path << " in "
              << seconds << " s" << std::endl;
    return 0;
}

void Usage()
{
    std::cerr << "usage: particle_pipeline generate --kind dambreak|uniform --type pos|posvel|poscol --count N "
                 "--output FILE [--seed S] [--header BYTES]\n"
                 "       particle_pipeline load --type pos|posvel|poscol|posrad|posnormal --input FILE [--header BYTES]\n"
                 "                              [--brick-size 64] [--overlap 4] [--levels 6] [--velmax 1]\n"
                 "                              [--workers N] [--box X0,Y0,Z0,X1,Y1,Z1] [--chunk-length N]\n"
                 "                              [--timesteps K] [--ppv BASE] [--quiet 1]\n";
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        Usage();
        return 2;
    }
    qz::utils::IgnoreFileSizeSignal();
    const std::string command = argv[1];
    try {
        const Options options(argc, argv, 2);
        if (command == "generate") return Generate(options);
        if (command == "load") return RunLoadCommand(options);
        Usage();
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "particle_pipeline " << command << ": " << e.what() << std::endl;
        return 1;
    }
}
