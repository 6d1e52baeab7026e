#include "tests/partio/BgeoFixtures.h"
#include "tests/support/BinaryFiles.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

namespace {

using namespace qz::test;

std::uint32_t Bits(float value)
{
    return std::bit_cast<std::uint32_t>(value);
}

void ExpectFloats(const Partio::ParticlesDataMutable& particles, const char* name, int particle,
                  std::initializer_list<float> expected)
{
    Partio::ParticleAttribute attribute;
    ASSERT_TRUE(particles.attributeInfo(name, attribute)) << name;
    ASSERT_EQ(static_cast<int>(expected.size()), attribute.count) << name;
    const float* values = particles.data<float>(attribute, particle);
    ASSERT_NE(nullptr, values) << name;
    int c = 0;
    for (float value : expected) {
        EXPECT_EQ(Bits(value), Bits(values[c])) << name << "[" << c << "] of particle " << particle;
        ++c;
    }
}

void ExpectHandBuiltContent(const Partio::ParticlesDataMutable& particles)
{
    ASSERT_EQ(2, particles.numParticles());
    ASSERT_EQ(5, particles.numAttributes());
    const struct {
        const char* name;
        Partio::ParticleAttributeType type;
        int count;
    } expected[] = {{"position", Partio::VECTOR, 3}, {"v", Partio::VECTOR, 3}, {"id", Partio::INT, 1},
                    {"kind", Partio::INDEXEDSTR, 1}, {"rho", Partio::FLOAT, 1}};
    for (int i = 0; i < 5; ++i) {
        Partio::ParticleAttribute attribute;
        ASSERT_TRUE(particles.attributeInfo(i, attribute));
        EXPECT_EQ(expected[i].name, attribute.name);
        EXPECT_EQ(expected[i].type, attribute.type);
        EXPECT_EQ(expected[i].count, attribute.count);
        EXPECT_EQ(i, attribute.attributeIndex);
    }
    // w of P is dropped; floats keep every bit (denormal, negative zero).
    ExpectFloats(particles, "position", 0, {1.5f, -2.25f, 3.0e-39f});
    ExpectFloats(particles, "position", 1, {-4.0f, 5.0f, 6.0f});
    ExpectFloats(particles, "v", 0, {0.1f, -0.0f, 1.0e30f});
    ExpectFloats(particles, "v", 1, {7.0f, 8.0f, 9.0f});
    ExpectFloats(particles, "rho", 0, {998.5f});
    ExpectFloats(particles, "rho", 1, {1001.25f});

    Partio::ParticleAttribute id, kind;
    ASSERT_TRUE(particles.attributeInfo("id", id));
    ASSERT_TRUE(particles.attributeInfo("kind", kind));
    EXPECT_EQ(-123456, *particles.data<int>(id, 0));
    EXPECT_EQ(2147483647, *particles.data<int>(id, 1));
    EXPECT_EQ(1, *particles.data<int>(kind, 0));
    EXPECT_EQ(0, *particles.data<int>(kind, 1));
}

TEST(BgeoRead, HandBuiltFileGivesEveryPointAttribute)
{
    WriteBinaryFile("hand.bgeo", HandBuiltBgeo());
    const ReadResult result = ReadParticles("hand.bgeo");
    ASSERT_TRUE(result.particles) << result.error;
    EXPECT_EQ("", result.error);
    ExpectHandBuiltContent(*result.particles);
}

TEST(BgeoRead, GzipCompressedFileReadsTheSame)
{
    // Recognised by content: both the usual name and a plain ".bgeo" name work.
    WriteBinaryFile("hand.bgeo.gz", GzipBytes(HandBuiltBgeo()));
    WriteBinaryFile("packed.bgeo", GzipBytes(HandBuiltBgeo()));
    for (const char* name : {"hand.bgeo.gz", "packed.bgeo"}) {
        const ReadResult result = ReadParticles(name);
        ASSERT_TRUE(result.particles) << name << ": " << result.error;
        ExpectHandBuiltContent(*result.particles);
    }
}

TEST(BgeoRead, NamesAreComparedExactly)
{
    WriteBinaryFile("hand.bgeo", HandBuiltBgeo());
    const ReadResult result = ReadParticles("hand.bgeo");
    ASSERT_TRUE(result.particles);
    Partio::ParticleAttribute attribute;
    attribute.name = "untouched";
    EXPECT_FALSE(result.particles->attributeInfo("velocity", attribute));
    EXPECT_FALSE(result.particles->attributeInfo("P", attribute));
    EXPECT_FALSE(result.particles->attributeInfo(5, attribute));
    EXPECT_FALSE(result.particles->attributeInfo(-1, attribute));
    EXPECT_EQ("untouched", attribute.name);
}

TEST(BgeoRead, ExtensionPicksTheReader)
{
    WriteBinaryFile("upper.BGEO", HandBuiltBgeo());
    WriteBinaryFile("hand.geo", HandBuiltBgeo());
    WriteBinaryFile("bgeo", HandBuiltBgeo());
    EXPECT_TRUE(ReadParticles("upper.BGEO").particles);

    const ReadResult wrong = ReadParticles("hand.geo");
    EXPECT_FALSE(wrong.particles);
    EXPECT_NE(std::string::npos, wrong.error.find("no reader for the extension \"geo\"")) << wrong.error;
    EXPECT_FALSE(ReadParticles("bgeo").particles);
}

TEST(BgeoRead, MissingFileGivesNullAndReason)
{
    const ReadResult result = ReadParticles("missing.bgeo");
    EXPECT_FALSE(result.particles);
    EXPECT_NE(std::string::npos, result.error.find("missing.bgeo: cannot open the file")) << result.error;

    std::ostringstream quiet;
    EXPECT_EQ(nullptr, Partio::read("missing.bgeo", false, quiet));
    EXPECT_EQ("", quiet.str());
}

TEST(BgeoWrite, RoundTripKeepsEveryValue)
{
    Particles particles(Partio::create());
    const auto position = particles->addAttribute("position", Partio::VECTOR, 3);
    const auto velocity = particles->addAttribute("velocity", Partio::VECTOR, 3);
    const auto id = particles->addAttribute("id", Partio::INT, 1);
    const auto mass = particles->addAttribute("mass", Partio::FLOAT, 1);
    constexpr int Count = 1000;
    EXPECT_EQ(0, particles->addParticles(Count));
    for (int p = 0; p < Count; ++p) {
        float* xyz = particles->dataWrite<float>(position, p);
        float* v = particles->dataWrite<float>(velocity, p);
        for (int c = 0; c < 3; ++c) {
            xyz[c] = static_cast<float>(p) * 0.37f - static_cast<float>(c) * 11.5f;
            v[c] = std::bit_cast<float>(0x3f800001u + static_cast<std::uint32_t>(p * 3 + c));
        }
        *particles->dataWrite<int>(id, p) = p * 7919 - 5;
        *particles->dataWrite<float>(mass, p) = 1.0f / static_cast<float>(p + 1);
    }

    for (const char* name : {"roundtrip.bgeo", "roundtrip.bgeo.gz"}) {
        std::ostringstream errors;
        ASSERT_TRUE(Partio::write(name, *particles, false, true, errors)) << errors.str();
        const ReadResult back = ReadParticles(name);
        ASSERT_TRUE(back.particles) << back.error;
        ASSERT_EQ(Count, back.particles->numParticles());
        ASSERT_EQ(4, back.particles->numAttributes());
        for (const auto& original : {position, velocity, id, mass}) {
            Partio::ParticleAttribute read;
            ASSERT_TRUE(back.particles->attributeInfo(original.name.c_str(), read));
            EXPECT_EQ(original.attributeIndex, read.attributeIndex);
            EXPECT_EQ(original.type, read.type);
            EXPECT_EQ(original.count, read.count);
            for (int p = 0; p < Count; ++p) {
                for (int c = 0; c < original.count; ++c) {
                    if (original.type == Partio::INT) {
                        ASSERT_EQ(particles->data<int>(original, p)[c], back.particles->data<int>(read, p)[c]);
                    } else {
                        ASSERT_EQ(Bits(particles->data<float>(original, p)[c]), Bits(back.particles->data<float>(read, p)[c]));
                    }
                }
            }
        }
    }
    // The ".gz" name really is compressed.
    EXPECT_EQ("\x1f\x8b", ReadFile("roundtrip.bgeo.gz").substr(0, 2));
}

TEST(BgeoWrite, NeedsAThreeComponentPosition)
{
    Particles particles(Partio::create());
    particles->addAttribute("position", Partio::VECTOR, 4);
    particles->addParticles(1);
    std::ostringstream errors;
    EXPECT_FALSE(Partio::write("bad.bgeo", *particles, false, true, errors));
    EXPECT_NE(std::string::npos, errors.str().find("\"position\"")) << errors.str();
}

TEST(ParticlesData, TypedAccessAndLateAttributes)
{
    Particles particles(Partio::create());
    const auto position = particles->addAttribute("position", Partio::FLOAT, 3);
    EXPECT_EQ(0, particles->addParticles(2));
    EXPECT_EQ(2, particles->addParticles(3));
    EXPECT_EQ(5, particles->addParticles(0));
    EXPECT_EQ(5, particles->numParticles());
    particles->dataWrite<float>(position, 4)[2] = 42.0f;

    // An attribute added after the particles starts zeroed for all of them.
    const auto id = particles->addAttribute("id", Partio::INT, 2);
    EXPECT_EQ(1, id.attributeIndex);
    for (int p = 0; p < 5; ++p) {
        EXPECT_EQ(0, particles->data<int>(id, p)[0]);
        EXPECT_EQ(0, particles->data<int>(id, p)[1]);
    }
    EXPECT_EQ(42.0f, particles->data<float>(position, 4)[2]);

    // The wrong value type or a foreign attribute record gives null, never other memory.
    EXPECT_EQ(nullptr, particles->data<int>(position, 0));
    EXPECT_EQ(nullptr, particles->data<float>(id, 0));
    Partio::ParticleAttribute foreign = id;
    foreign.attributeIndex = 7;
    EXPECT_EQ(nullptr, particles->data<int>(foreign, 0));
}

}  // namespace
