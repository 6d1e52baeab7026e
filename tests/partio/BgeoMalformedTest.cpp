// Files that are not what they claim: each must give null and a reason, never a crash,
// an overrun or an allocation sized by a number that the file cannot back (the
// AddressSanitizer build catches all three).

#include "tests/partio/BgeoFixtures.h"
#include "tests/support/BinaryFiles.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using namespace qz::test;

void ExpectRejected(const std::string& bytes, const std::string& reason, const std::string& name = "bad.bgeo")
{
    WriteBinaryFile(name, bytes);
    const ReadResult result = ReadParticles(name);
    EXPECT_FALSE(result.particles);
    EXPECT_NE(std::string::npos, result.error.find(reason)) << "expected \"" << reason << "\" in: " << result.error;
}

TEST(BgeoMalformed, OtherFormatsAndVersions)
{
    ExpectRejected("", "not a BGEO file");
    ExpectRejected("Bge", "not a BGEO file");
    ExpectRejected("GEOMETRY", "not a BGEO file");
    ExpectRejected(std::string("\x7fNSJ\x00\x00", 6), "newer JSON-based geometry format");
    ExpectRejected("{\"fileversion\":\"18.5\"}", "newer JSON-based geometry format");
    ExpectRejected(BgeoHeader(0, 0, 4).Data(), "BGEO version 4 is not supported");
    ExpectRejected(BgeoHeader(0, 0, 6).Data(), "BGEO version 6 is not supported");

    std::string noTag = BgeoHeader(0, 0).Data();
    noTag[4] = 'X';
    ExpectRejected(noTag, "no version tag");
}

TEST(BgeoMalformed, NegativeCounts)
{
    const char* names[8] = {"points", "primitives", "point groups", "primitive groups", "point attributes",
                            "vertex attributes", "primitive attributes", "detail attributes"};
    for (int i = 0; i < 8; ++i) {
        BigEndianBuffer out;
        out.Text("Bgeo").U8('V').I32(5);
        for (int c = 0; c < 8; ++c) out.I32(c == i ? -3 : 0);
        ExpectRejected(out.Data(), std::string("negative number of ") + names[i] + ": -3");
    }
}

TEST(BgeoMalformed, CountsBeyondTheFile)
{
    // Two billion points of 16 bytes in a file of a few bytes: no 32 GB allocation.
    BigEndianBuffer points = BgeoHeader(2147483647, 0);
    points.F32(1).F32(2).F32(3).F32(1);
    ExpectRejected(points.Data(), "2147483647 points of 16 bytes announced, more than the file holds");

    // The record size includes the attributes: 2 points of 16 + 12 bytes need 56 bytes.
    BigEndianBuffer withAttribute = BgeoHeader(2, 1);
    AttributeDefinition(withAttribute, "v", 3, 5);
    withAttribute.F32(0).F32(0).F32(0);
    for (int i = 0; i < 13; ++i) withAttribute.F32(1.0f);  // 52 bytes
    ExpectRejected(withAttribute.Data(), "2 points of 28 bytes announced");

    ExpectRejected(BgeoHeader(0, 2147483647).Data(), "2147483647 point attributes announced");

    BigEndianBuffer strings = BgeoHeader(0, 1);
    AttributeDefinition(strings, "kind", 1, 4);
    strings.I32(1000000);
    ExpectRejected(strings.Data(), "announces 1000000 strings");

    BigEndianBuffer negativeStrings = BgeoHeader(0, 1);
    AttributeDefinition(negativeStrings, "kind", 1, 4);
    negativeStrings.I32(-1);
    ExpectRejected(negativeStrings.Data(), "announces -1 strings");

    // A component count whose defaults run past the end.
    BigEndianBuffer defaults = BgeoHeader(0, 1);
    AttributeDefinition(defaults, "wide", 65535, 0);
    ExpectRejected(defaults.Data(), "truncated");
}

TEST(BgeoMalformed, UnsupportedAttributeTypes)
{
    for (std::int32_t type : {2, 3, 6, -1, 1000}) {
        BigEndianBuffer out = BgeoHeader(0, 1);
        AttributeDefinition(out, "name", 1, type);
        ExpectRejected(out.Data(), "point attribute \"name\" has the unsupported type " + std::to_string(type));
    }
    BigEndianBuffer empty = BgeoHeader(0, 1);
    AttributeDefinition(empty, "none", 0, 0);
    ExpectRejected(empty.Data(), "point attribute \"none\" has no components");
}

TEST(BgeoMalformed, EveryTruncationIsAnError)
{
    // The hand-built file without its ignored tail: every shorter prefix cuts the header,
    // a definition or a point.
    const std::string full = HandBuiltBgeo();
    const std::string points = full.substr(0, full.find("trailing data"));
    for (std::size_t length = 0; length < points.size(); ++length) {
        WriteBinaryFile("cut.bgeo", points.substr(0, length));
        const ReadResult result = ReadParticles("cut.bgeo");
        ASSERT_FALSE(result.particles) << "prefix of " << length << " bytes was accepted";
        ASSERT_FALSE(result.error.empty());
    }
    WriteBinaryFile("cut.bgeo", points);
    EXPECT_TRUE(ReadParticles("cut.bgeo").particles);
}

TEST(BgeoMalformed, TruncatedAndCorruptGzip)
{
    const std::string compressed = GzipBytes(HandBuiltBgeo());
    for (std::size_t length = 0; length < compressed.size(); ++length) {
        WriteBinaryFile("cut.bgeo.gz", compressed.substr(0, length));
        ASSERT_FALSE(ReadParticles("cut.bgeo.gz").particles) << "prefix of " << length << " bytes was accepted";
    }
    // A flipped byte anywhere is either harmless (the header's time stamp and flags that
    // inflate ignores) or rejected; it never yields other data.
    const ReadResult original = ReadParticles((WriteBinaryFile("ok.bgeo.gz", compressed), "ok.bgeo.gz"));
    ASSERT_TRUE(original.particles);
    int rejected = 0;
    for (std::size_t at = 0; at < compressed.size(); ++at) {
        std::string bytes = compressed;
        bytes[at] = static_cast<char>(bytes[at] ^ 0x5a);
        WriteBinaryFile("flipped.bgeo.gz", bytes);
        const ReadResult result = ReadParticles("flipped.bgeo.gz");
        if (!result.particles) {
            ++rejected;
            continue;
        }
        Partio::ParticleAttribute position;
        ASSERT_TRUE(result.particles->attributeInfo("position", position)) << "flip at " << at;
        ASSERT_EQ(2, result.particles->numParticles()) << "flip at " << at;
        for (int p = 0; p < 2; ++p) {
            for (int c = 0; c < 3; ++c) {
                ASSERT_EQ(original.particles->data<float>(position, p)[c], result.particles->data<float>(position, p)[c])
                    << "flip at " << at;
            }
        }
    }
    EXPECT_GT(rejected, static_cast<int>(compressed.size()) - 12);
}

}  // namespace
