#include "tarnwick/core/Variants.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using namespace qz::core;

std::vector<unsigned char> Bytes(const Serializable& object)
{
    std::vector<unsigned char> bytes(object.GetSerializedSize(), 0xEE);
    EXPECT_EQ(object.GetSerializedSize(), object.Serialize(bytes.data()));
    return bytes;
}

template <class T>
std::vector<unsigned char> LittleEndian(T value)
{
    std::vector<unsigned char> bytes(sizeof(T));
    std::memcpy(bytes.data(), &value, sizeof(T));
    return bytes;
}

TEST(SerializableVectors, TypeIdsAreTheHashesOfTheirNames)
{
    EXPECT_EQ(193409669u, TypeNameHash("abc"));
    EXPECT_EQ(875567318u, TypeNameHash("FloatVec3"));
    EXPECT_EQ(1584490197u, TypeNameHash("Int32Vec2"));
    EXPECT_EQ(875567313u, TypeNameHash("FloatVec4"));
    EXPECT_EQ(875567319u, TypeNameHash("FloatVec2"));
    EXPECT_EQ(875567318u, FloatVec3().GetTypeID());
    EXPECT_EQ(1584490197u, Int32Vec2().GetTypeID());
    EXPECT_STREQ("Int32Vec2", Int32Vec2().GetTypeName());
    // Bytes above 127 count as negative.
    EXPECT_EQ((5381u * 33u) ^ 0xFFFFFFE9u, TypeNameHash("\xE9"));
}

TEST(SerializableVectors, BinaryFormIsTheIdThenTheValues)
{
    std::vector<unsigned char> expected = LittleEndian(875567318u);
    for (float value : {1.5f, -2.0f, 3.25f}) {
        const auto bytes = LittleEndian(value);
        expected.insert(expected.end(), bytes.begin(), bytes.end());
    }
    EXPECT_EQ(16u, FloatVec3().GetSerializedSize());
    EXPECT_EQ(expected, Bytes(FloatVec3(1.5f, -2.0f, 3.25f)));

    expected = LittleEndian(1584490197u);
    for (int value : {-1, 720}) {
        const auto bytes = LittleEndian(value);
        expected.insert(expected.end(), bytes.begin(), bytes.end());
    }
    EXPECT_EQ(12u, Int32Vec2().GetSerializedSize());
    EXPECT_EQ(expected, Bytes(Int32Vec2(-1, 720)));
}

TEST(SerializableVectors, DeserializeIgnoresTheTypeId)
{
    std::vector<unsigned char> bytes = Bytes(FloatVec3(4, 5, 6));
    bytes[0] ^= 0xFF;
    FloatVec3 read;
    EXPECT_EQ(16u, read.Deserialize(bytes.data()));
    EXPECT_EQ(FloatVec3(4, 5, 6), read);
}

TEST(SerializableVectors, TextReadingFollowsTheScanfRules)
{
    FloatVec3 vector(0, 0, 7);
    EXPECT_EQ(2, vector.FromString("[1.5, 2, x]"));
    EXPECT_EQ(FloatVec3(1.5f, 2, 7), vector);

    EXPECT_EQ(3, vector.FromString("[1,2,3]"));
    EXPECT_EQ(FloatVec3(1, 2, 3), vector);
    EXPECT_EQ(1, vector.FromString("[ 4 ,5, 6]")) << "a blank before a comma stops the reading";
    EXPECT_EQ(FloatVec3(4, 2, 3), vector);
    EXPECT_EQ(0, vector.FromString(" [7, 8, 9]")) << "the bracket must come first";
    EXPECT_EQ(0, vector.FromString("[1e39, 1, 1]")) << "a value that does not fit stops the reading";
    EXPECT_EQ(FloatVec3(4, 2, 3), vector);

    Int32Vec2 size(3, 4);
    EXPECT_EQ(0, size.FromString("1, 2"));
    EXPECT_EQ(Int32Vec2(3, 4), size);
    EXPECT_EQ(1, size.FromString("[5, 99999999999]"));
    EXPECT_EQ(Int32Vec2(5, 4), size);
    EXPECT_EQ(2, size.FromString("[1280,\n720]"));
    EXPECT_EQ(Int32Vec2(1280, 720), size);
}

TEST(SerializableVectors, TextFormRoundTrips)
{
    const FloatVec3 vector(-0.5f, 1e6f, 0.125f);
    FloatVec3 read;
    EXPECT_EQ(3, read.FromString(vector.ToString()));
    EXPECT_EQ(vector, read);
    EXPECT_EQ("[-0.500000, 1000000.000000, 0.125000]", vector.ToString());
}

TEST(SimpleVec4, IsAPlainSixteenByteWord)
{
    static_assert(sizeof(SimpleVec4<unsigned int>) == 16);
    static_assert(std::is_trivially_copyable_v<SimpleVec4<unsigned int>>);
    SimpleVec4<unsigned int> word(1, 2, 3, 4);
    word[2] = 30;
    unsigned int raw[4];
    std::memcpy(raw, &word, sizeof(raw));
    EXPECT_EQ(1u, raw[0]);
    EXPECT_EQ(30u, raw[2]);
    EXPECT_EQ(4u, word[3]);
}

}  // namespace
