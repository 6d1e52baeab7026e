// FIFOs, devices and folders given as particle files: every reader refuses them at open
// with "not a regular file", without waiting for a writer or taking a device's endless
// bytes for data.

#include "src/PartioReader.h"
#include "src/ProcessedParticleVolume.h"
#include "src/RawParticleReader.h"
#include "tarnwick/core/SimpleVec4.h"

#include "tests/support/OutputCapture.h"
#include "tests/utils/ErrorText.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace ParticleTypes;
using qz::test::ErrorText;

TEST(SpecialFiles, EveryReaderRefusesThemAtOpen)
{
    qz::test::CoutCapture console;
    namespace fs = std::filesystem;
    fs::remove_all("special");
    fs::create_directories("special/folder.bgeo");
    ASSERT_EQ(0, ::mkfifo("special/fifo", 0600));
    // Open at both ends, so that no open could wait for a writer even before the check.
    const int both = ::open("special/fifo", O_RDWR | O_NONBLOCK);
    ASSERT_GE(both, 0);
    // The BGEO reader picks its format by the name's ending; the others read any name.
    fs::create_symlink("fifo", "special/fifo.bgeo");
    fs::create_symlink("/dev/null", "special/null.bgeo");
    fs::create_symlink("/dev/zero", "special/zero.bgeo");

    const struct {
        const char* reader;
        std::function<void(const std::string&)> open;
    } readers[] = {
        {"raw", [](const std::string& name) { RawParticleReader<RawParticle_PosVel>(0).OpenFile(name); }},
        {"gzip raw", [](const std::string& name) { RawParticleGZReader<RawParticle_Pos>(0).OpenFile(name); }},
        {"bgeo", [](const std::string& name) { PartioReader<RawParticle_Pos>().OpenFile(name); }},
        {"ppv",
         [](const std::string& name) {
             ProcessedParticleVolumeReader<qz::core::SimpleVec4<unsigned int>> reader;
             reader.applicationOverlap = 4;
             reader.LoadFromFile(name);
         }},
    };
    for (const auto& reader : readers) {
        for (const char* name : {"special/fifo.bgeo", "special/null.bgeo", "special/zero.bgeo", "special/folder.bgeo"}) {
            const std::string error = ErrorText([&] { reader.open(name); });
            EXPECT_NE(std::string::npos, error.find("not a regular file")) << reader.reader << " " << name << error;
        }
    }
    ::close(both);
}

}  // namespace
