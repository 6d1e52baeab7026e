#include "tarnwick/core/Variants.h"

#include "tests/support/OutputCapture.h"
#include "tests/support/ErrorReports.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>

namespace {

using namespace qz::core;
using qz::test::CoutCapture;
using qz::test::ErrorText;
using qz::test::ReportOf;

TEST(DataTypes, SizesIdsNamesAndIndexes)
{
    const int sizes[] = {1, 2, 4, 8, 1, 2, 4, 8, 4, 8, 1, 0};
    const int ids[] = {0, 1, 2, 3, 10, 11, 12, 13, 20, 21, 30, 100, 101, 999};
    const char* names[] = {"int8", "int16", "int32", "int64", "uint8", "uint16", "uint32", "uint64", "float",
                           "double", "boolean", "string", "serializable", "undefined"};
    for (int index = 0; index < 14; ++index) {
        EXPECT_EQ(index < 12 ? sizes[index] : -1, index < 12 ? GetDataTypeSize(index) : -1) << index;
        EXPECT_EQ(ids[index], GetDataTypeID(index)) << index;
        EXPECT_STREQ(names[index], GetDataTypeName(index));
    }
    CoutCapture console;
    for (int index : {12, 13, -1}) {
        EXPECT_EQ("qz::core::GetDataTypeSize|core\\TypeUtils|GeDataTypeSize is not implemented for datatype " + std::to_string(index),
                  ReportOf([&] { GetDataTypeSize(index); }));
    }
    EXPECT_EQ("qz::core::GetDataTypeID|core\\TypeUtils|GetDataTypeID is not implemented for datatype 14",
              ReportOf([] { GetDataTypeID(14); }));
    EXPECT_NE("", ErrorText([] { GetDataTypeID(-1); }));
}

TEST(Variant, BindingAndExactTypes)
{
    const VariantEncapsulation empty;
    EXPECT_EQ(nullptr, empty.Pointer());
    EXPECT_EQ(DataTypeInt32, empty.Type());
    int value = 3;
    const VariantEncapsulation copy = VariantEncapsulation::Of(value);
    copy.As<int>() = 9;
    EXPECT_EQ(9, value);

    CoutCapture console;
    std::int64_t wide = 5;
    EXPECT_EQ("qz::core::VariantEncapsulation::As|core\\Variants|Incompatible datatypes",
              ReportOf([&] { VariantEncapsulation::Of(wide).As<int>(); }));
    float single = 1.0f;
    EXPECT_NE("", ErrorText([&] { VariantEncapsulation::Of(single).As<double>(); }));
    EXPECT_NE("", ErrorText([] { VariantEncapsulation().As<int>(); }));

    FloatVec3 vector(1, 2, 3);
    const VariantEncapsulation object = VariantEncapsulation::Of(vector);
    EXPECT_EQ(static_cast<Serializable*>(&vector), object.Pointer());
    EXPECT_EQ(&vector, &object.As<FloatVec3>());
    EXPECT_STREQ("FloatVec3", object.As<Serializable>().GetTypeName());
    EXPECT_NE("", ErrorText([&] { object.As<Int32Vec2>(); }));
}

// The value of a variable of the type after reading the text into it: numbers start at
// 9 (1.5 for floating point, shown in the stream's form), bools at true, strings at "old".
std::string AfterReading(DataType type, const std::string& input)
{
    std::int8_t i8 = 9;
    std::int16_t i16 = 9;
    int i32 = 9;
    std::int64_t i64 = 9;
    std::uint8_t u8 = 9;
    std::uint16_t u16 = 9;
    unsigned int u32 = 9;
    std::uint64_t u64 = 9;
    float f = 1.5f;
    double d = 1.5;
    bool b = true;
    std::string s = "old";
    void* storage[] = {&i8, &i16, &i32, &i64, &u8, &u16, &u32, &u64, &f, &d, &b, &s};
    const VariantEncapsulation variant(storage[type], type);
    variant.FromString(input, type);
    std::ostringstream stream;
    if (type == DataTypeFloat || type == DataTypeDouble) return (stream << variant, stream.str());
    std::string text;
    variant.ToString(text);
    return text;
}

TEST(TextForm, ReadingAndWritingEachType)
{
    struct Case {
        DataType type;
        const char* input;
        const char* value;
    };
    const Case cases[] = {
        {DataTypeInt32, "12px", "12"}, {DataTypeInt32, "abc", "9"}, {DataTypeInt32, "", "9"},
        {DataTypeInt32, " \t-42 43", "-42"}, {DataTypeInt32, "+42", "42"}, {DataTypeInt32, "- 42", "9"},
        {DataTypeInt32, "0x10", "0"}, {DataTypeInt8, "-128", "-128"}, {DataTypeInt16, "-32768", "-32768"},
        {DataTypeInt64, "-9223372036854775808", "-9223372036854775808"}, {DataTypeUInt16, "65535", "65535"},
        {DataTypeUInt64, "18446744073709551615", "18446744073709551615"}, {DataTypeUInt32, "4294967295", "4294967295"},
        // Numbers that do not fit leave the value.
        {DataTypeInt32, "99999999999", "9"}, {DataTypeInt32, "2147483648", "9"}, {DataTypeInt32, "2147483647", "2147483647"},
        {DataTypeInt32, "-2147483648", "-2147483648"}, {DataTypeInt32, "-2147483649", "9"}, {DataTypeUInt8, "300", "9"},
        {DataTypeUInt8, "256", "9"}, {DataTypeUInt8, "255", "255"}, {DataTypeInt8, "128", "9"}, {DataTypeInt8, "-129", "9"},
        {DataTypeUInt16, "65536", "9"}, {DataTypeUInt32, "-1", "9"}, {DataTypeUInt32, "4294967296", "9"},
        {DataTypeUInt32, "-0", "0"}, {DataTypeUInt64, "-1", "9"}, {DataTypeUInt64, "18446744073709551616", "9"},
        {DataTypeInt64, "9223372036854775808", "9"}, {DataTypeInt64, "123456789012345678901234567890", "9"},
        {DataTypeFloat, "1e39", "1.5"}, {DataTypeFloat, "-1e39", "1.5"}, {DataTypeDouble, "1e309", "1.5"},
        {DataTypeFloat, "  0.25xyz", "0.25"}, {DataTypeFloat, "x0.25", "1.5"}, {DataTypeDouble, "-1e-7", "-1e-07"},
        {DataTypeDouble, "1e300", "1e+300"}, {DataTypeFloat, "1e-50", "0"}, {DataTypeFloat, "3.", "3"},
        // Only the first word "true" is true; a string is the first word.
        {DataTypeBool, "true", "true"}, {DataTypeBool, "  true and more", "true"}, {DataTypeBool, "true\tx", "true"},
        {DataTypeBool, "True", "false"}, {DataTypeBool, "1", "false"}, {DataTypeBool, "", "false"},
        {DataTypeBool, "truex", "false"}, {DataTypeBool, " tru e", "false"}, {DataTypeBool, "false", "false"},
        {DataTypeString, "   first second", "first"}, {DataTypeString, "   ", ""}, {DataTypeString, "", ""},
        {DataTypeString, "C:\\data\\a.raw", "C:\\data\\a.raw"}};
    for (const Case& c : cases) EXPECT_EQ(c.value, AfterReading(c.type, c.input)) << c.type << " '" << c.input << "'";
    const std::string longest(1023, 'w');
    EXPECT_EQ(longest, AfterReading(DataTypeString, longest + " tail"));
    EXPECT_EQ("", AfterReading(DataTypeString, longest + "w"));

    const auto text = [](auto value) {
        std::string out = "unchanged";
        VariantEncapsulation::Of(value).ToString(out);
        return out;
    };
    EXPECT_EQ("2.500000 0.010000 0.000000 -3.250000", text(2.5f) + " " + text(0.01f) + " " + text(1e-7) + " " + text(-3.25));
    EXPECT_EQ("true false ", text(true) + " " + text(false) + " " + text(std::string()));
}

template <class... T>
std::string Streamed(T... values)
{
    std::ostringstream stream;
    ((stream << VariantEncapsulation::Of(values) << "|"), ...);
    int unused = 0;
    stream << VariantEncapsulation(&unused, DataTypeUndefined) << VariantEncapsulation(&unused, 40);
    return stream.str();
}

TEST(StreamForm, FollowsTheStreamsOwnFormatting)
{
    EXPECT_EQ("A|B|-12|123456789012|16.5|true|a b|[1, 2]|",
              Streamed(std::int8_t {65}, std::uint8_t {66}, std::int16_t {-12}, std::uint64_t {123456789012ull}, 16.5f, true,
                       std::string("a b"), Int32Vec2(1, 2)));
}

std::vector<unsigned char> Bytes(const Serializable& object)
{
    std::vector<unsigned char> bytes(object.GetSerializedSize(), 0xEE);
    EXPECT_EQ(object.GetSerializedSize(), object.Serialize(bytes.data()));
    return bytes;
}

TEST(SerializableVectors, TypeIdsAndBinaryForm)
{
    EXPECT_EQ(193409669u, TypeNameHash("abc"));
    EXPECT_EQ(875567313u, TypeNameHash("FloatVec4"));
    EXPECT_EQ((5381u * 33u) ^ 0xFFFFFFE9u, TypeNameHash("\xE9")) << "bytes above 127 count as negative";
    EXPECT_EQ(875567318u, FloatVec3().GetTypeID());
    EXPECT_EQ(1584490197u, Int32Vec2().GetTypeID());
    EXPECT_STREQ("Int32Vec2", Int32Vec2().GetTypeName());

    const unsigned char vec3[] = {0xD6, 0x18, 0x30, 0x34, 0, 0, 0xC0, 0x3F, 0, 0, 0, 0xC0, 0, 0, 0x50, 0x40};
    EXPECT_EQ(std::vector<unsigned char>(std::begin(vec3), std::end(vec3)), Bytes(FloatVec3(1.5f, -2.0f, 3.25f)));
    const unsigned char vec2[] = {0xD5, 0x66, 0x71, 0x5E, 0xFF, 0xFF, 0xFF, 0xFF, 0xD0, 2, 0, 0};
    EXPECT_EQ(std::vector<unsigned char>(std::begin(vec2), std::end(vec2)), Bytes(Int32Vec2(-1, 720)));

    std::vector<unsigned char> bytes = Bytes(FloatVec3(4, 5, 6));
    bytes[0] ^= 0xFF;  // not checked
    FloatVec3 read;
    EXPECT_EQ(16u, read.Deserialize(bytes.data()));
    EXPECT_EQ(FloatVec3(4, 5, 6), read);
}

TEST(SerializableVectors, TextFollowsTheScanfRules)
{
    FloatVec3 v(0, 0, 7);
    Int32Vec2 size(3, 4);
    EXPECT_EQ(2, v.FromString("[1.5, 2, x]"));
    EXPECT_EQ(FloatVec3(1.5f, 2, 7), v);
    EXPECT_EQ(3, v.FromString("[1,2,3]"));
    EXPECT_EQ(1, v.FromString("[ 4 ,5, 6]")) << "a blank before a comma stops the reading";
    EXPECT_EQ(0, v.FromString(" [7, 8, 9]")) << "the bracket comes first";
    EXPECT_EQ(0, v.FromString("[1e39, 1, 1]")) << "a value that does not fit stops the reading";
    EXPECT_EQ(FloatVec3(4, 2, 3), v);
    EXPECT_EQ(0, size.FromString("1, 2"));
    EXPECT_EQ(1, size.FromString("[5, 99999999999]"));
    EXPECT_EQ(Int32Vec2(5, 4), size);
    EXPECT_EQ(2, size.FromString("[1280,\n720]"));
    EXPECT_EQ(Int32Vec2(1280, 720), size);
    const FloatVec3 written(-0.5f, 1e6f, 0.125f);
    EXPECT_EQ("[-0.500000, 1000000.000000, 0.125000]", written.ToString());
    EXPECT_EQ(3, v.FromString(written.ToString()));
    EXPECT_EQ(written, v);
}

std::string Printed(const VariantCollection& collection, int mask)
{
    std::ostringstream stream;
    collection.Print(stream, mask);
    return stream.str();
}

std::string OrderOf(const VariantCollection& collection)
{
    std::string keys;
    for (const VariantCollectionItem* item : collection.InsertionOrder()) keys += item->key + " ";
    return keys;
}

TEST(VariantCollection, ItemsKeysAndOrder)
{
    int z = 1, m = 2, a = 3;
    float replacement = 3.5f;
    VariantCollection collection;
    collection.AddTypedItem("z", &z, "zed");
    collection.AddTypedItem("m", &m, "em");
    collection.AddTypedItem("a", &z, "ay");
    collection.AddTypedItem("m", &replacement, "second m", 4);  // replaced in place
    EXPECT_EQ("z m a ", OrderOf(collection));
    EXPECT_EQ("zed: 1\nsecond m: 3.500000\nay: 1\n", Printed(collection, 0));
    EXPECT_EQ(&replacement, collection["m"].Pointer());
    EXPECT_EQ(4u, collection.FindItem("m")->flags);

    std::string keys;
    collection.ForEachItem([&](VariantCollectionItem& item) { keys += item.key; });
    EXPECT_EQ("amz", keys);

    VariantCollection copy(collection);
    collection.RemoveItem(&z);  // the first bound to it in insertion order: "z"
    EXPECT_EQ("m a ", OrderOf(collection));
    EXPECT_EQ(nullptr, collection.FindItem("z"));
    collection.RemoveItem(&z);
    collection.RemoveItem(&z);
    collection.RemoveItem("m");
    collection.RemoveItem(std::string("missing"));
    EXPECT_EQ(0u, collection.Size());
    EXPECT_EQ("", OrderOf(collection));
    EXPECT_EQ(1, z);

    EXPECT_EQ("z m a ", OrderOf(copy)) << "copies keep the order and the storage";
    copy["z"].As<int>() = 5;
    EXPECT_EQ(5, z);
    for (const VariantCollectionItem* item : copy.InsertionOrder()) EXPECT_EQ(item, copy.FindItem(item->key));
    VariantCollection assigned;
    assigned.AddTypedItem("old", &a, "old");
    assigned = copy;
    EXPECT_EQ("zed: 5\nsecond m: 3.500000\nay: 5\n", Printed(assigned, 0));

    CoutCapture console;
    EXPECT_EQ("qz::core::UnorderedCollection<class std::basic_string<char,struct std::char_traits<char>,class "
              "std::allocator<char> >,struct qz::core::VariantCollectionItem>::operator []|core\\Variants|operator[] is "
              "only allowed for existing variants",
              ReportOf([&] { collection["nothing"]; }));
}

TEST(VariantCollection, PrintMasksDescriptionsAndPrinters)
{
    int shown = 1, hidden = 2, partly = 3, silent = 4;
    std::int64_t bytes = 3145727;
    VariantCollection collection;
    collection.AddTypedItem("shown", &shown, "Shown", 0);
    collection.AddTypedItem("hidden", &hidden, "Hidden", 1);
    collection.AddTypedItem("partly", &partly, "Partly", 2);
    collection.AddTypedItem("silent", &silent, "", 0);
    collection.AddTypedItem("memory", &bytes, "Memory", 0, MebibytePrinter);
    EXPECT_EQ("Shown: 1\nPartly: 3\nMemory: 2 MiB\n", Printed(collection, 1));
    EXPECT_EQ("Shown: 1\nHidden: 2\nPartly: 3\nMemory: 2 MiB\n", Printed(collection, 3)) << "every bit of the mask";

    std::ostringstream stream;
    for (std::int64_t value : {0, 1048575, -1048575, 1048576, -1048576}) {
        MebibytePrinter(stream, VariantEncapsulation::Of(value)) << "|";
    }
    EXPECT_EQ("0 MiB|0 MiB|0 MiB|1 MiB|-1 MiB|", stream.str());
    CoutCapture console;
    EXPECT_THROW(MebibytePrinter(stream, VariantEncapsulation::Of(shown)), Exception);
}

}  // namespace
