#include "src/PartioReader.h"
#include "src/ProcessedParticleVolume.h"
#include "src/RawParticleReader.h"
#include "tests/support/BinaryFiles.h"
#include "tests/support/ErrorReports.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace ParticleTypes;
using qz::test::CoutCapture;
using qz::test::ErrorText;
using qz::test::ReportOf;
using PartioFiles::ParticlesOwner;

float PositionValue(int particle, int component)
{
    return static_cast<float>(particle) * 1.25f - static_cast<float>(component) * 1000.0f + 0.1f;
}

float VelocityValue(int particle, int component)
{
    return std::bit_cast<float>(0xbf000000u + static_cast<std::uint32_t>(particle * 3 + component));
}

// Particles with "position", when asked "velocity", and an unrelated attribute.
ParticlesOwner MakeParticles(int count, bool withVelocity, int positionCount = 3,
                             Partio::ParticleAttributeType positionType = Partio::VECTOR)
{
    ParticlesOwner particles(Partio::create());
    particles->addAttribute("density", Partio::FLOAT, 1);
    const auto position = particles->addAttribute("position", positionType, positionCount);
    Partio::ParticleAttribute velocity;
    if (withVelocity) velocity = particles->addAttribute("velocity", Partio::VECTOR, 3);
    particles->addParticles(count);
    for (int p = 0; p < count; ++p) {
        for (int c = 0; c < positionCount; ++c) {
            if (positionType == Partio::INT) {
                particles->dataWrite<int>(position, p)[c] = p;
            } else {
                particles->dataWrite<float>(position, p)[c] = PositionValue(p, c);
            }
        }
        for (int c = 0; withVelocity && c < 3; ++c) particles->dataWrite<float>(velocity, p)[c] = VelocityValue(p, c);
    }
    return particles;
}

void WriteBgeo(const std::string& name, int count, bool withVelocity)
{
    std::ostringstream errors;
    ASSERT_TRUE(Partio::write(name.c_str(), *MakeParticles(count, withVelocity), false, true, errors)) << errors.str();
}

class PartioReaderTest : public ::testing::Test {
protected:
    CoutCapture console_;
};

TEST_F(PartioReaderTest, RecordsReadBackExactlyInChunks)
{
    WriteBgeo("flow.bgeo", 1000, true);
    WriteBgeo("flow.bgeo.gz", 1000, true);
    for (const char* name : {"flow.bgeo", "flow.bgeo.gz"}) {
        PartioReader<RawParticle_PosVel> reader;
        reader.OpenFile(name);
        ASSERT_EQ(1000, reader.GetParticleCount());
        std::vector<RawParticle_PosVel> all, buffer;
        for (std::int64_t chunk : {1, 2, 300, 697}) {
            reader.ReadChunk(buffer, chunk);
            all.insert(all.end(), buffer.begin(), buffer.end());
        }
        EXPECT_TRUE(reader.IsEof());
        ASSERT_EQ(1000u, all.size());
        for (int p = 0; p < 1000; ++p) {
            const RawParticle_PosVel& r = all[static_cast<std::size_t>(p)];
            const float expected[6] = {PositionValue(p, 0), PositionValue(p, 1), PositionValue(p, 2),
                                       VelocityValue(p, 0), VelocityValue(p, 1), VelocityValue(p, 2)};
            ASSERT_EQ(0, std::memcmp(expected, &r, sizeof(expected))) << p;
        }
    }
    EXPECT_NE(std::string::npos, console_.Text().find("Opened bgeo file:\n\t1000 particles\n\tAttribute position, count 3\n"
                                                      "\tAttribute density, count 1\n\tAttribute velocity, count 3\n"));
    WriteBgeo("few.bgeo", 5, false);
    PartioReader<RawParticle_Pos> reader;
    std::vector<RawParticle_Pos> buffer(4);
    reader.ReadChunk(buffer, 4);
    EXPECT_TRUE(reader.IsEof() && reader.GetParticleCount() == 0 && buffer.empty()) << "a closed reader";
    reader.OpenFile("few.bgeo");
    EXPECT_FALSE(reader.IsEof());
    reader.ReadChunk(buffer, 3);
    reader.ReadChunk(buffer, 100);
    EXPECT_EQ(2u, buffer.size());
    EXPECT_EQ(PositionValue(4, 2), buffer[1].z);
    EXPECT_TRUE(reader.GetCurrentIndex() == 5 && reader.IsEof());
    reader.ReadChunk(buffer, 100);
    EXPECT_TRUE(buffer.empty());
    EXPECT_THROW(reader.ReadChunk(buffer, -1), qz::core::Exception);
    reader.OpenFile("few.bgeo");
    EXPECT_EQ(0, reader.GetCurrentIndex()) << "opening again starts over";
    reader.CloseFile();
    reader.CloseFile();
    EXPECT_TRUE(reader.IsEof());
}

template <class T>
void ExpectUnsupported(const char* typeName)
{
    PartioReader<T> reader;
    reader.OpenFile("flow.bgeo");
    EXPECT_EQ(4, reader.GetParticleCount());
    std::vector<T> buffer;
    EXPECT_EQ(std::string("PartioAttributeReader<struct ParticleTypes::") + typeName +
                  ">::operator ()|src\\PartioReader|Unsupported particle type for BGEO conversion",
              ReportOf([&] { reader.ReadChunk(buffer, 3); }));
    EXPECT_EQ(0, reader.GetCurrentIndex());
}

TEST_F(PartioReaderTest, AttributesAndRecordTypesThatDoNotFit)
{
    WriteBgeo("flow.bgeo", 4, true);
    ExpectUnsupported<RawParticle_PosCol>("RawParticle_PosCol");  // one of the kinds BGEO files cannot give
    WriteBgeo("still.bgeo", 4, false);
    PartioReader<RawParticle_PosVel> reader;
    reader.OpenFile("still.bgeo");
    std::vector<RawParticle_PosVel> buffer;
    EXPECT_TRUE(ReportOf([&] { reader.ReadChunk(buffer, 4); }).ends_with("|Could not find attribute \"velocity\""));
    EXPECT_TRUE(buffer.size() == 4 && buffer[0].x == 0.0f && reader.GetCurrentIndex() == 0) << "nothing copied";

    using Reader = PartioAttributeReader<RawParticle_PosVel>;
    const auto errorFor = [&](const ParticlesOwner& particles) { return ReportOf([&] { Reader()(*particles, 0, 2, buffer); }); };
    ParticlesOwner none(Partio::create());
    none->addAttribute("velocity", Partio::VECTOR, 3);
    none->addParticles(2);
    EXPECT_TRUE(errorFor(none).ends_with("|Could not find attribute \"position\""));
    std::vector<RawParticle_Pos> positions;
    EXPECT_TRUE(ReportOf([&] { PartioAttributeReader<RawParticle_Pos>()(*none, 0, 0, positions); })
                    .ends_with("|Could not find attribute \"position\""));
    EXPECT_TRUE(errorFor(MakeParticles(2, true, 4)).ends_with("|Invalid \"position\" attribute: float3 required"));
    EXPECT_TRUE(errorFor(MakeParticles(2, true, 3, Partio::INT)).ends_with("|Invalid \"position\" attribute: float3 required"));
    ParticlesOwner flatVelocity = MakeParticles(2, false);
    flatVelocity->addAttribute("velocity", Partio::FLOAT, 2);
    EXPECT_TRUE(errorFor(flatVelocity).ends_with("|Invalid \"velocity\" attribute: float3 required"));
    const ParticlesOwner floats = MakeParticles(2, true, 3, Partio::FLOAT);  // as good as VECTOR
    Reader()(*floats, 1, 1, buffer);
    EXPECT_EQ(PositionValue(1, 1), buffer[0].y);
    EXPECT_EQ(VelocityValue(1, 2), buffer[0].vz);
}

TEST_F(PartioReaderTest, UnreadableFilesThrowAndStopTheSpinner)
{
    // The reasons are the BGEO reader's own (tested there); the report carries them on.
    qz::test::WriteBinaryFile("v6.bgeo", std::string("Bgeo") + 'V' + std::string("\0\0\0\x06", 4) + std::string(32, '\0'));
    const std::pair<const char*, const char*> cases[] = {{"missing.bgeo", "cannot open the file"},
                                                         {"v6.bgeo", "BGEO version 6 is not supported"}};
    PartioReader<RawParticle_Pos> reader;
    for (const auto& [name, reason] : cases) {
        const std::string error = ReportOf([&] { reader.OpenFile(name); });
        EXPECT_EQ(0u, error.find(std::string("PartioReader<struct ParticleTypes::RawParticle_Pos>::OpenFile|src\\PartioReader|"
                                             "Could not open ") + name + " for reading\n")) << error;
        EXPECT_NE(std::string::npos, error.find(reason)) << error;
        EXPECT_TRUE(reader.IsEof() && reader.GetParticleCount() == 0);
    }
    WriteBgeo("fine.bgeo", 2, false);
    reader.OpenFile("fine.bgeo");
    EXPECT_EQ(2, reader.GetParticleCount()) << "still usable";
}

// FIFOs, devices and folders given as particle files are refused at open, without
// waiting for a writer or taking a device's endless bytes for data.
TEST_F(PartioReaderTest, EveryReaderRefusesSpecialFiles)
{
    namespace fs = std::filesystem;
    fs::remove_all("special");
    fs::create_directories("special/folder.bgeo");
    ASSERT_EQ(0, ::mkfifo("special/fifo", 0600));
    const int both = ::open("special/fifo", O_RDWR | O_NONBLOCK);  // no open could wait for a writer
    ASSERT_GE(both, 0);
    fs::create_symlink("fifo", "special/fifo.bgeo");  // the BGEO reader goes by the ending
    fs::create_symlink("/dev/null", "special/null.bgeo");
    fs::create_symlink("/dev/zero", "special/zero.bgeo");
    const std::function<void(const std::string&)> readers[] = {
        [](const std::string& name) { RawParticleReader<RawParticle_PosVel>(0).OpenFile(name); },
        [](const std::string& name) { RawParticleGZReader<RawParticle_Pos>(0).OpenFile(name); },
        [](const std::string& name) { PartioReader<RawParticle_Pos>().OpenFile(name); },
        [](const std::string& name) {
            ProcessedParticleVolumeReader<qz::core::SimpleVec4<unsigned int>> reader;
            reader.applicationOverlap = 4;
            reader.LoadFromFile(name);
        }};
    for (const auto& open : readers) {
        for (const char* name : {"special/fifo.bgeo", "special/null.bgeo", "special/zero.bgeo", "special/folder.bgeo"}) {
            EXPECT_NE(std::string::npos, ErrorText([&] { open(name); }).find("not a regular file")) << name;
        }
    }
    ::close(both);
}

}  // namespace
