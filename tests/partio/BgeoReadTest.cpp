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

// "name type count index: values" per attribute and particle, floats by their bits.
std::string Content(const Partio::ParticlesDataMutable& particles)
{
    std::string text = std::to_string(particles.numParticles()) + " particles\n";
    for (int i = 0; i < particles.numAttributes(); ++i) {
        Partio::ParticleAttribute a;
        if (!particles.attributeInfo(i, a)) return text + "no attribute " + std::to_string(i);
        text += a.name + " " + std::to_string(a.type) + " " + std::to_string(a.count) + " " + std::to_string(a.attributeIndex) + ":";
        for (int p = 0; p < particles.numParticles(); ++p) {
            for (int c = 0; c < a.count; ++c) {
                const bool integer = a.type == Partio::INT || a.type == Partio::INDEXEDSTR;
                text += " " + (integer ? std::to_string(particles.data<int>(a, p)[c]) : std::to_string(Bits(particles.data<float>(a, p)[c])));
            }
        }
        text += "\n";
    }
    return text;
}

// w of P is dropped; floats keep every bit (denormal, negative zero).
const std::string HandBuiltContent = "2 particles\nposition 1 3 0: " + std::to_string(Bits(1.5f)) + " " +
                                     std::to_string(Bits(-2.25f)) + " " + std::to_string(Bits(3.0e-39f)) + " " +
                                     std::to_string(Bits(-4.0f)) + " " + std::to_string(Bits(5.0f)) + " " +
                                     std::to_string(Bits(6.0f)) + "\nv 1 3 1: " + std::to_string(Bits(0.1f)) + " " +
                                     std::to_string(Bits(-0.0f)) + " " + std::to_string(Bits(1.0e30f)) + " " +
                                     std::to_string(Bits(7.0f)) + " " + std::to_string(Bits(8.0f)) + " " +
                                     std::to_string(Bits(9.0f)) + "\nid 3 1 2: -123456 2147483647\nkind 4 1 3: 1 0\nrho 2 1 4: " +
                                     std::to_string(Bits(998.5f)) + " " + std::to_string(Bits(1001.25f)) + "\n";

TEST(BgeoRead, EveryPointAttributePlainOrGzipByContent)
{
    WriteBinaryFile("hand.bgeo", HandBuiltBgeo());
    WriteBinaryFile("upper.BGEO", HandBuiltBgeo());
    WriteBinaryFile("hand.bgeo.gz", GzipBytes(HandBuiltBgeo()));
    WriteBinaryFile("packed.bgeo", GzipBytes(HandBuiltBgeo()));
    for (const char* name : {"hand.bgeo", "upper.BGEO", "hand.bgeo.gz", "packed.bgeo"}) {
        const ReadResult result = ReadParticles(name);
        ASSERT_TRUE(result.particles) << name << ": " << result.error;
        EXPECT_EQ("", result.error);
        EXPECT_EQ(HandBuiltContent, Content(*result.particles)) << name;
    }
    const ReadResult result = ReadParticles("hand.bgeo");
    Partio::ParticleAttribute attribute;
    attribute.name = "untouched";
    EXPECT_FALSE(result.particles->attributeInfo("velocity", attribute) || result.particles->attributeInfo("P", attribute) ||
                 result.particles->attributeInfo(5, attribute) || result.particles->attributeInfo(-1, attribute));
    EXPECT_EQ("untouched", attribute.name) << "names are compared exactly";

    WriteBinaryFile("hand.geo", HandBuiltBgeo());
    WriteBinaryFile("bgeo", HandBuiltBgeo());
    EXPECT_NE(std::string::npos, ReadParticles("hand.geo").error.find("no reader for the extension \"geo\""));
    EXPECT_FALSE(ReadParticles("bgeo").particles);
    EXPECT_NE(std::string::npos, ReadParticles("missing.bgeo").error.find("missing.bgeo: cannot open the file"));
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
    EXPECT_EQ(0, particles->addParticles(1000));
    for (int p = 0; p < 1000; ++p) {
        for (int c = 0; c < 3; ++c) {
            particles->dataWrite<float>(position, p)[c] = static_cast<float>(p) * 0.37f - static_cast<float>(c) * 11.5f;
            particles->dataWrite<float>(velocity, p)[c] = std::bit_cast<float>(0x3f800001u + static_cast<std::uint32_t>(p * 3 + c));
        }
        *particles->dataWrite<int>(id, p) = p * 7919 - 5;
        *particles->dataWrite<float>(mass, p) = 1.0f / static_cast<float>(p + 1);
    }
    for (const char* name : {"roundtrip.bgeo", "roundtrip.bgeo.gz"}) {
        std::ostringstream errors;
        ASSERT_TRUE(Partio::write(name, *particles, false, true, errors)) << errors.str();
        const ReadResult back = ReadParticles(name);
        ASSERT_TRUE(back.particles) << back.error;
        EXPECT_EQ(Content(*particles), Content(*back.particles)) << name;
    }
    EXPECT_EQ("\x1f\x8b", ReadFile("roundtrip.bgeo.gz").substr(0, 2)) << "the \".gz\" name is compressed";

    Particles wide(Partio::create());
    wide->addAttribute("position", Partio::VECTOR, 4);
    wide->addParticles(1);
    std::ostringstream errors;
    EXPECT_FALSE(Partio::write("bad.bgeo", *wide, false, true, errors));
    EXPECT_NE(std::string::npos, errors.str().find("\"position\"")) << errors.str();
}

TEST(ParticlesData, TypedAccessAndLateAttributes)
{
    Particles particles(Partio::create());
    const auto position = particles->addAttribute("position", Partio::FLOAT, 3);
    EXPECT_EQ(0, particles->addParticles(2));
    EXPECT_EQ(2, particles->addParticles(3));
    EXPECT_EQ(5, particles->addParticles(0));
    particles->dataWrite<float>(position, 4)[2] = 42.0f;
    const auto id = particles->addAttribute("id", Partio::INT, 2);  // zeroed for every particle
    EXPECT_EQ(1, id.attributeIndex);
    EXPECT_EQ("5 particles\nposition 2 3 0: 0 0 0 0 0 0 0 0 0 0 0 0 0 0 " + std::to_string(Bits(42.0f)) +
                  "\nid 3 2 1: 0 0 0 0 0 0 0 0 0 0\n",
              Content(*particles));
    // The wrong value type or a foreign attribute record gives null, never other memory.
    EXPECT_EQ(nullptr, particles->data<int>(position, 0));
    EXPECT_EQ(nullptr, particles->data<float>(id, 0));
    Partio::ParticleAttribute foreign = id;
    foreign.attributeIndex = 7;
    EXPECT_EQ(nullptr, particles->data<int>(foreign, 0));
}

// Each must give null and a reason, never a crash, an overrun or an allocation sized by a
// number that the file cannot back (the AddressSanitizer build catches all three).
TEST(BgeoMalformed, DamagedFilesAreRefusedWithAReason)
{
    const auto header = [](std::int32_t points, std::int32_t attributes, std::int32_t version = 5) {
        return BgeoHeader(points, attributes, version);
    };
    const auto withAttribute = [&](std::int32_t points, const std::string& name, std::uint16_t size, std::int32_t type) {
        BigEndianBuffer out = header(points, 1);
        AttributeDefinition(out, name, size, type);
        return out;
    };
    std::string noTag = header(0, 0).Data();
    noTag[4] = 'X';
    const std::string full = HandBuiltBgeo();
    const std::string points = full.substr(0, full.find("trailing data"));
    std::string flipped = GzipBytes(full);
    flipped[flipped.size() / 2] ^= 0x5a;
    const struct {
        const char* name;
        std::string bytes;
        std::string reason;
    } cases[] = {
        {"empty", "", "not a BGEO file"},
        {"short magic", "Bge", "not a BGEO file"},
        {"ascii", "GEOMETRY", "not a BGEO file"},
        {"binary JSON", std::string("\x7fNSJ\x00\x00", 6), "newer JSON-based geometry format"},
        {"JSON", "{\"fileversion\":\"18.5\"}", "newer JSON-based geometry format"},
        {"version 4", header(0, 0, 4).Data(), "BGEO version 4 is not supported"},
        {"version 6", header(0, 0, 6).Data(), "BGEO version 6 is not supported"},
        {"no version tag", noTag, "no version tag"},
        {"cut in the counts", full.substr(0, 20), "truncated"},
        {"cut after the counts", full.substr(0, 45), "4 point attributes announced, more than the file can hold"},
        {"cut in the last point", points.substr(0, points.size() - 1), "truncated"},
        {"cut gzip", GzipBytes(full).substr(0, 30), ""},
        {"flipped gzip byte", flipped, ""},
        {"2^31 points", (header(2147483647, 0).F32(1).F32(2).F32(3).F32(1)).Data(),
         "2147483647 points of 16 bytes announced, more than the file holds"},
        {"2 points of 28 bytes in 52", (withAttribute(2, "v", 3, 5).F32(0).F32(0).F32(0).F32(1).F32(1).F32(1).F32(1).F32(1)
                                            .F32(1).F32(1).F32(1).F32(1).F32(1).F32(1).F32(1).F32(1)).Data(),
         "2 points of 28 bytes announced"},
        {"2^31 attributes", header(0, 2147483647).Data(), "2147483647 point attributes announced"},
        {"a million strings", (withAttribute(0, "kind", 1, 4).I32(1000000)).Data(), "announces 1000000 strings"},
        {"negative strings", (withAttribute(0, "kind", 1, 4).I32(-1)).Data(), "announces -1 strings"},
        {"defaults past the end", withAttribute(0, "wide", 65535, 0).Data(), "truncated"},
        {"type 2", withAttribute(0, "name", 1, 2).Data(), "point attribute \"name\" has the unsupported type 2"},
        {"type 6", withAttribute(0, "name", 1, 6).Data(), "point attribute \"name\" has the unsupported type 6"},
        {"type -1", withAttribute(0, "name", 1, -1).Data(), "point attribute \"name\" has the unsupported type -1"},
        {"no components", withAttribute(0, "none", 0, 0).Data(), "point attribute \"none\" has no components"},
    };
    for (const auto& c : cases) {
        WriteBinaryFile(std::string(c.name).find("gzip") != std::string::npos ? "bad.bgeo.gz" : "bad.bgeo", c.bytes);
        const ReadResult result = ReadParticles(std::string(c.name).find("gzip") != std::string::npos ? "bad.bgeo.gz" : "bad.bgeo");
        EXPECT_FALSE(result.particles) << c.name;
        EXPECT_NE(std::string::npos, result.error.find(c.reason)) << c.name << ": " << result.error;
        EXPECT_FALSE(result.error.empty()) << c.name;
    }
    const char* counts[8] = {"points", "primitives", "point groups", "primitive groups", "point attributes",
                             "vertex attributes", "primitive attributes", "detail attributes"};
    for (int i = 0; i < 8; ++i) {
        BigEndianBuffer out;
        out.Text("Bgeo").U8('V').I32(5);
        for (int c = 0; c < 8; ++c) out.I32(c == i ? -3 : 0);
        WriteBinaryFile("negative.bgeo", out.Data());
        EXPECT_NE(std::string::npos, ReadParticles("negative.bgeo").error.find(std::string("negative number of ") + counts[i] + ": -3"));
    }
    WriteBinaryFile("points.bgeo", points);
    EXPECT_TRUE(ReadParticles("points.bgeo").particles) << "the points are all that is read";
}

}  // namespace
