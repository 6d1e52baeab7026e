#pragma once
// Seeds of the BGEO targets, written by the Partio layer's writer: no points, points with
// velocity, colour and an integer id, and the kinds of attribute it writes.

#include "fuzz/FuzzSeeds.h"
#include "platform/partio/Partio.h"
#include "tests/support/BinaryFiles.h"

#include <functional>
#include <stdexcept>

namespace qz::fuzz {

// gzip: every file twice, behind 0 (to be compressed by the target) and as a compressed
// file behind 1.
inline int WriteBgeoSeeds(int argc, char** argv, bool gzip)
{
    return RunSeedWriter(argc, argv, [gzip](const std::string& folder) {
        const auto write = [&](const std::string& name, int points, const std::function<void(Partio::ParticlesDataMutable&)>& fill) {
            Partio::ParticlesDataMutable* particles = Partio::create();
            const Partio::ParticleAttribute position = particles->addAttribute("position", Partio::VECTOR, 3);
            fill(*particles);
            particles->addParticles(points);
            for (int p = 0; p < points; ++p) {
                for (int c = 0; c < 3; ++c) particles->dataWrite<float>(position, p)[c] = 0.5f * p - c;
            }
            const std::string path = folder + "/" + name + ".bgeo";
            const bool written = Partio::write(path.c_str(), *particles, false);
            particles->release();
            if (!written) throw std::runtime_error("cannot write " + path);
            if (!gzip) return;
            std::ifstream in(path, std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            std::remove(path.c_str());
            WriteSeed(folder, name + "-raw", std::string(1, '\0') + bytes);
            WriteSeed(folder, name + "-gzip", std::string(1, '\1') + qz::test::GzipBytes(bytes));
        };
        write("empty", 0, [](Partio::ParticlesDataMutable&) {});
        write("positions", 5, [](Partio::ParticlesDataMutable&) {});
        write("velocity", 3, [](Partio::ParticlesDataMutable& p) { p.addAttribute("velocity", Partio::VECTOR, 3); });
        write("mixed", 2, [](Partio::ParticlesDataMutable& p) {
            p.addAttribute("Cd", Partio::VECTOR, 3);
            p.addAttribute("id", Partio::INT, 1);
            p.addAttribute("rho", Partio::FLOAT, 1);
            p.addAttribute("kind", Partio::INDEXEDSTR, 1);
            p.addAttribute("velocity", Partio::FLOAT, 3);
        });
    });
}

}  // namespace qz::fuzz
