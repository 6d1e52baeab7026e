#include "src/PartioReader.h"
#include "tarnwick/core/Exception.h"
#include "tests/support/BinaryFiles.h"
#include "tests/utils/ErrorText.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <bit>

namespace {

using namespace ParticleTypes;
using qz::test::CoutCapture;
using qz::test::ErrorText;
using PartioFiles::ParticlesOwner;

float PositionValue(int particle, int component)
{
    return static_cast<float>(particle) * 1.25f - static_cast<float>(component) * 1000.0f + 0.1f;
}

float VelocityValue(int particle, int component)
{
    return std::bit_cast<float>(0xbf000000u + static_cast<std::uint32_t>(particle * 3 + component));
}

// Particles with "position" and, when asked, "velocity" (and an unrelated attribute).
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

TEST_F(PartioReaderTest, PositionAndVelocityReadBackExactly)
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
            ASSERT_EQ(PositionValue(p, 0), r.x) << p;
            ASSERT_EQ(PositionValue(p, 1), r.y) << p;
            ASSERT_EQ(PositionValue(p, 2), r.z) << p;
            ASSERT_EQ(std::bit_cast<std::uint32_t>(VelocityValue(p, 0)), std::bit_cast<std::uint32_t>(r.vx)) << p;
            ASSERT_EQ(std::bit_cast<std::uint32_t>(VelocityValue(p, 1)), std::bit_cast<std::uint32_t>(r.vy)) << p;
            ASSERT_EQ(std::bit_cast<std::uint32_t>(VelocityValue(p, 2)), std::bit_cast<std::uint32_t>(r.vz)) << p;
        }
    }
}

TEST_F(PartioReaderTest, OpeningLogsCountAndAttributes)
{
    WriteBgeo("flow.bgeo", 3, true);
    PartioReader<RawParticle_Pos> reader;
    reader.OpenFile("flow.bgeo");
    EXPECT_NE(std::string::npos, console_.Text().find("Opened bgeo file:\n\t3 particles\n"
                                                      "\tAttribute position, count 3\n"
                                                      "\tAttribute density, count 1\n"
                                                      "\tAttribute velocity, count 3\n"))
        << console_.Text();
    std::vector<RawParticle_Pos> buffer;
    reader.ReadChunk(buffer, 10);
    ASSERT_EQ(3u, buffer.size());
    EXPECT_EQ(PositionValue(2, 2), buffer[2].z);
}

TEST_F(PartioReaderTest, EndDeliversEmptyBuffers)
{
    WriteBgeo("few.bgeo", 5, false);
    PartioReader<RawParticle_Pos> reader;
    EXPECT_TRUE(reader.IsEof());
    EXPECT_EQ(0, reader.GetParticleCount());
    std::vector<RawParticle_Pos> buffer(4);
    reader.ReadChunk(buffer, 4);
    EXPECT_TRUE(buffer.empty());

    reader.OpenFile("few.bgeo");
    EXPECT_FALSE(reader.IsEof());
    reader.ReadChunk(buffer, 3);
    reader.ReadChunk(buffer, 100);
    EXPECT_EQ(2u, buffer.size());
    EXPECT_EQ(5, reader.GetCurrentIndex());
    EXPECT_TRUE(reader.IsEof());
    reader.ReadChunk(buffer, 100);
    EXPECT_TRUE(buffer.empty());
    EXPECT_THROW(reader.ReadChunk(buffer, -1), qz::core::Exception);

    // Opening again starts over; closing twice is harmless.
    reader.OpenFile("few.bgeo");
    EXPECT_EQ(0, reader.GetCurrentIndex());
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
    const std::string error = ErrorText([&] { reader.ReadChunk(buffer, 3); });
    EXPECT_EQ(0u, error.find(std::string("\nMethod: PartioAttributeReader<struct ParticleTypes::") + typeName +
                             ">::operator ()\nFile: \"src\\PartioReader\": "))
        << error;
    EXPECT_TRUE(error.ends_with("\nUnsupported particle type for BGEO conversion")) << error;
    EXPECT_EQ(0, reader.GetCurrentIndex());
    EXPECT_EQ(3u, buffer.size());
}

TEST_F(PartioReaderTest, OtherRecordTypesAreRefusedAtTheFirstChunk)
{
    WriteBgeo("flow.bgeo", 4, true);
    ExpectUnsupported<RawParticle_PosCol>("RawParticle_PosCol");
    ExpectUnsupported<RawParticle_PosNormal>("RawParticle_PosNormal");
    ExpectUnsupported<RawParticle_PosRad>("RawParticle_PosRad");
    EXPECT_NE(std::string::npos, console_.Text().find("\tAttribute velocity, count 3\n"));
}

TEST_F(PartioReaderTest, MissingVelocityFailsBeforeAnyRecordIsCopied)
{
    WriteBgeo("still.bgeo", 4, false);
    PartioReader<RawParticle_PosVel> reader;
    reader.OpenFile("still.bgeo");
    std::vector<RawParticle_PosVel> buffer;
    const std::string error = ErrorText([&] { reader.ReadChunk(buffer, 4); });
    EXPECT_TRUE(error.ends_with("\nCould not find attribute \"velocity\"")) << error;
    ASSERT_EQ(4u, buffer.size());
    EXPECT_EQ(0.0f, buffer[0].x);
    EXPECT_EQ(0, reader.GetCurrentIndex());
}

TEST_F(PartioReaderTest, AttributeChecks)
{
    using Reader = PartioAttributeReader<RawParticle_PosVel>;
    std::vector<RawParticle_PosVel> buffer(2);
    const auto errorFor = [&](const ParticlesOwner& particles) {
        return ErrorText([&] { Reader()(*particles, 0, 2, buffer); });
    };

    ParticlesOwner none(Partio::create());
    none->addAttribute("velocity", Partio::VECTOR, 3);
    none->addParticles(2);
    EXPECT_TRUE(errorFor(none).ends_with("\nCould not find attribute \"position\"")) << errorFor(none);
    std::vector<RawParticle_Pos> positions;
    EXPECT_TRUE(ErrorText([&] { PartioAttributeReader<RawParticle_Pos>()(*none, 0, 0, positions); })
                    .ends_with("\nCould not find attribute \"position\""));

    EXPECT_TRUE(errorFor(MakeParticles(2, true, 4)).ends_with("\nInvalid \"position\" attribute: float3 required"));
    EXPECT_TRUE(errorFor(MakeParticles(2, true, 3, Partio::INT)).ends_with("\nInvalid \"position\" attribute: float3 required"));

    ParticlesOwner flatVelocity = MakeParticles(2, false);
    flatVelocity->addAttribute("velocity", Partio::FLOAT, 2);
    EXPECT_TRUE(errorFor(flatVelocity).ends_with("\nInvalid \"velocity\" attribute: float3 required"));

    // FLOAT with three components is as good as VECTOR.
    const ParticlesOwner floats = MakeParticles(2, true, 3, Partio::FLOAT);
    Reader()(*floats, 1, 1, buffer);
    EXPECT_EQ(PositionValue(1, 1), buffer[0].y);
    EXPECT_EQ(VelocityValue(1, 2), buffer[0].vz);
}

TEST_F(PartioReaderTest, UnreadableFilesThrowAndStopTheSpinner)
{
    qz::test::WriteBinaryFile("v6.bgeo", std::string("Bgeo") + 'V' + std::string("\0\0\0\x06", 4) + std::string(32, '\0'));
    qz::test::WriteBinaryFile("cut.bgeo", std::string("Bgeo") + 'V' + std::string("\0\0\0\x05\0\0\0\x09", 8));
    qz::test::WriteBinaryFile("points.xyz", "1 2 3\n");
    const struct {
        const char* name;
        const char* reason;
    } cases[] = {{"missing.bgeo", "cannot open the file"},
                 {"v6.bgeo", "BGEO version 6 is not supported"},
                 {"cut.bgeo", "truncated"},
                 {"points.xyz", "no reader for the extension"}};
    PartioReader<RawParticle_Pos> reader;
    for (const auto& c : cases) {
        const std::string error = ErrorText([&] { reader.OpenFile(c.name); });
        EXPECT_NE(std::string::npos,
                  error.find(std::string("\nMethod: PartioReader<struct ParticleTypes::RawParticle_Pos>::OpenFile\n")));
        EXPECT_NE(std::string::npos, error.find(std::string("\nCould not open ") + c.name + " for reading\n")) << error;
        EXPECT_NE(std::string::npos, error.find(c.reason)) << error;
        EXPECT_TRUE(reader.IsEof());
        EXPECT_EQ(0, reader.GetParticleCount());
    }
    // The reader is still usable.
    WriteBgeo("fine.bgeo", 2, false);
    reader.OpenFile("fine.bgeo");
    EXPECT_EQ(2, reader.GetParticleCount());
}

}  // namespace
