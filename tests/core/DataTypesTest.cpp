#include "tarnwick/core/Variants.h"

#include "tests/support/OutputCapture.h"
#include "tests/support/TextMatch.h"
#include "tests/utils/ErrorText.h"

#include <gtest/gtest.h>

namespace {

using namespace qz::core;
using qz::test::CoutCapture;
using qz::test::EndsWith;
using qz::test::ErrorText;

TEST(DataTypes, SizesIdsAndNamesFollowTheTable)
{
    const int sizes[] = {1, 2, 4, 8, 1, 2, 4, 8, 4, 8, 1, 0};
    const int ids[] = {0, 1, 2, 3, 10, 11, 12, 13, 20, 21, 30, 100, 101, 999};
    const char* names[] = {"int8",  "int16",  "int32",   "int64",  "uint8",        "uint16",   "uint32",
                           "uint64", "float", "double", "boolean", "string", "serializable", "undefined"};
    for (int index = 0; index < 12; ++index) EXPECT_EQ(sizes[index], GetDataTypeSize(index)) << index;
    for (int index = 0; index < 14; ++index) {
        EXPECT_EQ(ids[index], GetDataTypeID(index)) << index;
        EXPECT_STREQ(names[index], GetDataTypeName(index));
    }
}

TEST(DataTypes, IndexesOutsideTheTablesAreReported)
{
    CoutCapture console;
    for (int index : {12, 13, -1}) {
        const std::string text = ErrorText([&] { GetDataTypeSize(index); });
        EXPECT_NE(std::string::npos, text.find("\nMethod: qz::core::GetDataTypeSize\nFile: \"core\\TypeUtils\": "));
        EXPECT_TRUE(EndsWith(text, "\nGeDataTypeSize is not implemented for datatype " + std::to_string(index))) << text;
    }
    const std::string text = ErrorText([] { GetDataTypeID(14); });
    EXPECT_TRUE(EndsWith(text, "\nGetDataTypeID is not implemented for datatype 14")) << text;
    EXPECT_NE(std::string::npos, text.find("Method: qz::core::GetDataTypeID\n"));
}

TEST(DataTypes, IndexOfEachValueType)
{
    static_assert(DataTypeOfV<std::int8_t> == 0 && DataTypeOfV<std::int16_t> == 1 && DataTypeOfV<int> == 2 &&
                  DataTypeOfV<std::int64_t> == 3 && DataTypeOfV<std::uint8_t> == 4 &&
                  DataTypeOfV<std::uint16_t> == 5 && DataTypeOfV<unsigned int> == 6 &&
                  DataTypeOfV<std::uint64_t> == 7 && DataTypeOfV<float> == 8 && DataTypeOfV<double> == 9 &&
                  DataTypeOfV<bool> == 10 && DataTypeOfV<std::string> == 11 && DataTypeOfV<FloatVec3> == 12 &&
                  DataTypeOfV<Serializable> == 12);
}

TEST(Variant, DefaultIsUnboundInt32AndCopiesShareStorage)
{
    const VariantEncapsulation empty;
    EXPECT_EQ(nullptr, empty.Pointer());
    EXPECT_EQ(DataTypeInt32, empty.Type());

    int value = 3;
    const VariantEncapsulation first = VariantEncapsulation::Of(value);
    const VariantEncapsulation copy = first;  // NOLINT: the copy is the point
    copy.As<int>() = 9;
    EXPECT_EQ(9, value);
    EXPECT_EQ(&value, first.Pointer());
}

TEST(Variant, AsRequiresTheExactType)
{
    CoutCapture console;
    std::int64_t wide = 5;
    const VariantEncapsulation variant = VariantEncapsulation::Of(wide);
    EXPECT_EQ(5, variant.As<std::int64_t>());
    const std::string text = ErrorText([&] { variant.As<int>(); });
    EXPECT_TRUE(EndsWith(text, "\nIncompatible datatypes")) << text;
    EXPECT_NE(std::string::npos, text.find("Method: qz::core::VariantEncapsulation::As\nFile: \"core\\Variants\": "));
    EXPECT_EQ(5, wide);

    float single = 1.0f;
    EXPECT_NE("", ErrorText([&] { VariantEncapsulation::Of(single).As<double>(); }));
    EXPECT_NE("", ErrorText([] { VariantEncapsulation().As<int>(); }));
}

TEST(Variant, ClassValuesAreReadAsSerializableOrTheirOwnClass)
{
    CoutCapture console;
    FloatVec3 vector(1, 2, 3);
    const VariantEncapsulation variant = VariantEncapsulation::Of(vector);
    EXPECT_EQ(static_cast<Serializable*>(&vector), variant.Pointer());
    EXPECT_EQ(&vector, &variant.As<FloatVec3>());
    EXPECT_STREQ("FloatVec3", variant.As<Serializable>().GetTypeName());
    EXPECT_NE("", ErrorText([&] { variant.As<Int32Vec2>(); }));
}

}  // namespace
