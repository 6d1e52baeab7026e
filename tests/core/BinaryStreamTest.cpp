#include "tarnwick/core/Variants.h"

#include "tests/support/OutputCapture.h"
#include "tests/support/TextMatch.h"
#include "tests/utils/ErrorText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>

namespace {

using namespace qz::core;
using qz::test::CoutCapture;
using qz::test::EndsWith;
using qz::test::ErrorText;

struct FreeBuffer {
    void operator()(void* buffer) const { ::operator delete(buffer); }
};

std::string Stream(const VariantCollection& collection)
{
    void* buffer = nullptr;
    std::size_t size = 99;
    collection.SaveToBinaryKeyValue(buffer, size);
    const std::unique_ptr<void, FreeBuffer> owner(buffer);
    return std::string(static_cast<const char*>(buffer), size);
}

std::string Index(std::uint32_t index)
{
    return std::string(reinterpret_cast<const char*>(&index), 4);
}

// Loads the bytes from a buffer of exactly their size, so that ASan sees any overrun.
std::string Load(VariantCollection& collection, const std::string& bytes)
{
    const std::unique_ptr<char[]> exact(new char[bytes.size() + 1]);
    std::memcpy(exact.get(), bytes.data(), bytes.size());
    return ErrorText([&] { collection.LoadFromBinaryKeyValue(exact.get(), bytes.size()); });
}

TEST(BinaryStream, ExactBytesOfAnIntAndABool)
{
    int x = 1;
    bool y = true;
    VariantCollection collection;
    collection.AddTypedItem("y", &y);
    collection.AddTypedItem("x", &x);
    const std::string bytes = Stream(collection);
    EXPECT_EQ(17u, bytes.size());
    EXPECT_EQ(std::string("x\0", 2) + Index(2) + std::string("\1\0\0\0", 4) + std::string("y\0", 2) + Index(10) + "\1",
              bytes);
}

TEST(BinaryStream, EmptyCollectionHasNoBytes)
{
    VariantCollection collection;
    EXPECT_EQ("", Stream(collection));
    EXPECT_EQ("", Load(collection, ""));
}

TEST(BinaryStream, EveryTypeRoundTripsInKeyOrder)
{
    struct Values {
        std::int8_t i8 = -5;
        std::uint16_t u16 = 65000;
        std::int64_t i64 = -1234567890123;
        double d = 0.1;
        std::string s = "with blank";
        FloatVec3 v {1, 2, 3};
        Int32Vec2 r {-4, 5};
        bool b = true;
        void AddTo(VariantCollection& collection)
        {
            collection.AddTypedItem("i8", &i8);
            collection.AddTypedItem("u16", &u16);
            collection.AddTypedItem("i64", &i64);
            collection.AddTypedItem("d", &d);
            collection.AddTypedItem("s", &s);
            collection.AddTypedItem("v", &v);
            collection.AddTypedItem("r", &r);
            collection.AddTypedItem("B", &b);
        }
    };
    Values written;
    VariantCollection writer;
    written.AddTo(writer);
    const std::string bytes = Stream(writer);
    EXPECT_EQ(0u, bytes.find(std::string("B\0", 2))) << "byte order of keys: B before d";
    EXPECT_EQ(std::string("s\0", 2) + Index(11) + std::string("with blank\0", 11),
              bytes.substr(bytes.find(std::string("s\0", 2)), 17));

    Values read {0, 0, 0, 0, "", {}, {}, false};
    VariantCollection reader;
    read.AddTo(reader);
    EXPECT_EQ("", Load(reader, bytes));
    EXPECT_EQ(-5, read.i8);
    EXPECT_EQ(65000, read.u16);
    EXPECT_EQ(-1234567890123, read.i64);
    EXPECT_EQ(0.1, read.d);
    EXPECT_EQ("with blank", read.s);
    EXPECT_EQ(FloatVec3(1, 2, 3), read.v);
    EXPECT_EQ(Int32Vec2(-4, 5), read.r);
    EXPECT_TRUE(read.b);
}

TEST(BinaryStream, UnknownAndMismatchedElementsAreSkipped)
{
    int x = 0;
    std::string s = "keep";
    VariantCollection reader;
    reader.AddTypedItem("x", &x);
    reader.AddTypedItem("s", &s);
    const std::string bytes = std::string("s\0", 2) + Index(2) + "abcd" +              // s streamed as int32
                              std::string("other\0", 6) + Index(11) + std::string("text\0", 5) +
                              std::string("x\0", 2) + Index(2) + std::string("\x2A\0\0\0", 4);
    EXPECT_EQ("", Load(reader, bytes));
    EXPECT_EQ(42, x);
    EXPECT_EQ("keep", s);
}

TEST(BinaryStream, ElementOfUnknownSizeStopsAfterTheEarlierOnes)
{
    int a = 0;
    int z = 0;
    VariantCollection reader;
    reader.AddTypedItem("a", &a);
    reader.AddTypedItem("z", &z);
    const std::string bytes = std::string("a\0", 2) + Index(2) + std::string("\1\0\0\0", 4) +
                              std::string("vec\0", 4) + Index(12) + std::string(16, '\0') +
                              std::string("z\0", 2) + Index(2) + std::string("\1\0\0\0", 4);
    CoutCapture console;
    const std::string text = Load(reader, bytes);
    EXPECT_TRUE(EndsWith(text, "\nBinary stream contains an unknown element of unknown size: \"vec\". Cannot restore "
                               "the rest of the collecion."))
        << text;
    EXPECT_NE(std::string::npos, text.find("Method: qz::core::VariantCollection::LoadFromBinaryKeyValue\nFile: \"core\\Variants\""));
    EXPECT_NE(std::string::npos, console.Text().find("GeDataTypeSize is not implemented for datatype 12"))
        << "the size function reports first";
    EXPECT_EQ(1, a);
    EXPECT_EQ(0, z);
}

TEST(BinaryStream, TruncationAnywhereIsAnErrorAndKeepsTheEarlierElements)
{
    int x = 7;
    std::string s = "name";
    FloatVec3 v {1, 2, 3};
    bool flag = true;
    VariantCollection writer;
    writer.AddTypedItem("a_x", &x);
    writer.AddTypedItem("b_s", &s);
    writer.AddTypedItem("c_v", &v);
    writer.AddTypedItem("d_flag", &flag);
    writer.AddTypedItem("e_unknown", &x);
    const std::string bytes = Stream(writer);
    const std::size_t ends[] = {4 + 4 + 4, 12 + 4 + 4 + 5, 25 + 4 + 4 + 16, 49 + 7 + 4 + 1, bytes.size()};
    ASSERT_EQ(bytes.size(), 61u + 10 + 4 + 4);

    CoutCapture console;
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        int readX = 0;
        std::string readS;
        FloatVec3 readV;
        bool readFlag = false;
        VariantCollection reader;
        reader.AddTypedItem("a_x", &readX);
        reader.AddTypedItem("b_s", &readS);
        reader.AddTypedItem("c_v", &readV);
        reader.AddTypedItem("d_flag", &readFlag);
        const std::string text = Load(reader, bytes.substr(0, cut));
        const bool atBoundary = cut == 0 || std::find(std::begin(ends), std::end(ends), cut) != std::end(ends);
        if (atBoundary) {
            EXPECT_EQ("", text) << cut;
        } else {
            EXPECT_NE(std::string::npos, text.find("\nBinary stream ends inside the element \"")) << cut << text;
        }
        EXPECT_EQ(cut >= ends[0] ? 7 : 0, readX) << cut;
        EXPECT_EQ(cut >= ends[1] ? "name" : "", readS) << cut;
        EXPECT_EQ(cut >= ends[2] ? FloatVec3(1, 2, 3) : FloatVec3(), readV) << cut;
        EXPECT_EQ(cut >= ends[3], readFlag) << cut;
    }
}

TEST(BinaryStream, ClassWithAnotherTypeIdIsAnError)
{
    Int32Vec2 size {1, 2};
    VariantCollection writer;
    writer.AddTypedItem("v", &size);
    std::string bytes = Stream(writer) + std::string(4, '\0');  // as long as a FloatVec3

    FloatVec3 vector {9, 9, 9};
    VariantCollection reader;
    reader.AddTypedItem("v", &vector);
    CoutCapture console;
    const std::string text = Load(reader, bytes);
    EXPECT_TRUE(EndsWith(text, "\nBinary stream element \"v\" holds the class type id 1584490197 instead of 875567318. "
                               "Cannot restore the rest of the collection."))
        << text;
    EXPECT_EQ(FloatVec3(9, 9, 9), vector);
}

TEST(BinaryStream, BoolBytesOtherThanZeroAreTrue)
{
    bool flag = false;
    VariantCollection reader;
    reader.AddTypedItem("f", &flag);
    EXPECT_EQ("", Load(reader, std::string("f\0", 2) + Index(10) + "\x7F"));
    EXPECT_TRUE(flag);
    EXPECT_EQ("", Load(reader, std::string("f\0", 2) + Index(10) + std::string("\0", 1)));
    EXPECT_FALSE(flag);
}

TEST(BinaryStream, DamagedStreamsEitherLoadOrThrow)
{
    int x = 1;
    std::string s = "text";
    FloatVec3 v {1, 2, 3};
    bool flag = true;
    double d = 0.5;
    VariantCollection collection;
    collection.AddTypedItem("x", &x);
    collection.AddTypedItem("s", &s);
    collection.AddTypedItem("v", &v);
    collection.AddTypedItem("flag", &flag);
    collection.AddTypedItem("d", &d);
    const std::string valid = Stream(collection);

    CoutCapture console;
    std::mt19937 random(1234);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = valid.substr(0, random() % (valid.size() + 1));
        const int flips = static_cast<int>(random() % 4);
        for (int i = 0; i < flips && !bytes.empty(); ++i) {
            // Small values make keys end and indexes valid more often than any byte would.
            bytes[random() % bytes.size()] = static_cast<char>(random() % 3 == 0 ? random() % 256 : random() % 13);
        }
        const std::string text = Load(collection, bytes);
        EXPECT_TRUE(text.empty() || text.find("\nBinary stream ") != std::string::npos) << round << text;
    }
}

}  // namespace
