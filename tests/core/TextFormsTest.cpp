#include "tarnwick/core/Variants.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>

namespace {

using namespace qz::core;

template <class T>
std::string TextOf(T value)
{
    std::string text = "unchanged";
    VariantEncapsulation::Of(value).ToString(text);
    return text;
}

template <class T>
T Read(T start, const std::string& text)
{
    VariantEncapsulation::Of(start).FromString(text, DataTypeOfV<T>);
    return start;
}

template <class T>
std::string StreamOf(T value)
{
    std::ostringstream stream;
    stream << VariantEncapsulation::Of(value);
    return stream.str();
}

TEST(TextForm, NumbersAreWrittenInTheirPrintfForms)
{
    EXPECT_EQ("-128", TextOf<std::int8_t>(-128));
    EXPECT_EQ("-32768", TextOf<std::int16_t>(-32768));
    EXPECT_EQ("-7", TextOf(-7));
    EXPECT_EQ("-9223372036854775808", TextOf(std::numeric_limits<std::int64_t>::min()));
    EXPECT_EQ("255", TextOf<std::uint8_t>(255));
    EXPECT_EQ("65535", TextOf<std::uint16_t>(65535));
    EXPECT_EQ("5", TextOf(5u));
    EXPECT_EQ("4294967295", TextOf(4294967295u));
    EXPECT_EQ("18446744073709551615", TextOf(std::numeric_limits<std::uint64_t>::max()));
    EXPECT_EQ("2.500000", TextOf(2.5f));
    EXPECT_EQ("0.010000", TextOf(0.01f));
    EXPECT_EQ("0.000000", TextOf(1e-7));
    EXPECT_EQ("-3.250000", TextOf(-3.25));
}

TEST(TextForm, BoolsStringsAndClassValues)
{
    EXPECT_EQ("true", TextOf(true));
    EXPECT_EQ("false", TextOf(false));
    EXPECT_EQ("two words ", TextOf(std::string("two words ")));
    EXPECT_EQ("", TextOf(std::string()));
    EXPECT_EQ("[0.000000, 1.000000, 0.000000]", TextOf(FloatVec3(0, 1, 0)));
    EXPECT_EQ("[1280, -720]", TextOf(Int32Vec2(1280, -720)));
}

TEST(TextForm, ReadingIntegersSkipsBlanksAndIgnoresTheRest)
{
    EXPECT_EQ(12, Read(7, "12px"));
    EXPECT_EQ(7, Read(7, "abc"));
    EXPECT_EQ(7, Read(7, ""));
    EXPECT_EQ(-42, Read(7, " \t-42 43"));
    EXPECT_EQ(42, Read(7, "+42"));
    EXPECT_EQ(7, Read(7, "- 42"));
    EXPECT_EQ(0, Read(7, "0x10")) << "only the 0 before x is a decimal number";
    EXPECT_EQ(-128, Read<std::int8_t>(0, "-128"));
    EXPECT_EQ(std::numeric_limits<std::int64_t>::min(), Read<std::int64_t>(0, "-9223372036854775808"));
    EXPECT_EQ(std::numeric_limits<std::uint64_t>::max(), Read<std::uint64_t>(0, "18446744073709551615"));
}

TEST(TextForm, NumbersThatDoNotFitLeaveTheValueUnchanged)
{
    EXPECT_EQ(7, Read(7, "99999999999"));
    EXPECT_EQ(7, Read(7, "2147483648"));
    EXPECT_EQ(2147483647, Read(7, "2147483647"));
    EXPECT_EQ(-2147483647 - 1, Read(7, "-2147483648"));
    EXPECT_EQ(7, Read(7, "-2147483649"));
    EXPECT_EQ(9, Read<std::uint8_t>(9, "300"));
    EXPECT_EQ(9, Read<std::uint8_t>(9, "256"));
    EXPECT_EQ(255, Read<std::uint8_t>(9, "255"));
    EXPECT_EQ(9, Read<std::int8_t>(9, "128"));
    EXPECT_EQ(9, Read<std::int8_t>(9, "-129"));
    EXPECT_EQ(9, Read<std::uint16_t>(9, "65536"));
    EXPECT_EQ(9u, Read(9u, "-1"));
    EXPECT_EQ(9u, Read(9u, "4294967296"));
    EXPECT_EQ(0u, Read(9u, "-0"));
    EXPECT_EQ(9u, Read<std::uint64_t>(9, "-1"));
    EXPECT_EQ(9u, Read<std::uint64_t>(9, "18446744073709551616"));
    EXPECT_EQ(9, Read<std::int64_t>(9, "9223372036854775808"));
    EXPECT_EQ(9, Read<std::int64_t>(9, "123456789012345678901234567890"));
    EXPECT_EQ(1.5f, Read(1.5f, "1e39"));
    EXPECT_EQ(1.5f, Read(1.5f, "-1e39"));
    EXPECT_EQ(1.5, Read(1.5, "1e309"));
}

TEST(TextForm, ReadingFloatingPointNumbers)
{
    EXPECT_EQ(0.25f, Read(1.0f, "  0.25xyz"));
    EXPECT_EQ(1.0f, Read(1.0f, "x0.25"));
    EXPECT_EQ(-1e-7, Read(1.0, "-1e-7"));
    EXPECT_EQ(1e300, Read(1.0, "1e300"));
    EXPECT_EQ(0.0f, Read(1.0f, "1e-50")) << "underflow rounds; it does not leave the value";
    EXPECT_EQ(3.0f, Read(1.0f, "3."));
}

TEST(TextForm, BoolIsTrueOnlyForTheFirstWordTrue)
{
    EXPECT_TRUE(Read(false, "true"));
    EXPECT_TRUE(Read(false, "  true and more"));
    EXPECT_TRUE(Read(false, "true\tx"));
    for (const char* text : {"True", "TRUE", "1", "yes", "", "   ", "truex", "trueee", "false", " tru e"}) {
        EXPECT_FALSE(Read(true, text)) << text;
    }
}

TEST(TextForm, StringIsTheFirstWord)
{
    EXPECT_EQ("first", Read<std::string>("old", "   first second"));
    EXPECT_EQ("", Read<std::string>("old", "   "));
    EXPECT_EQ("", Read<std::string>("old", ""));
    EXPECT_EQ("C:\\data\\a.raw", Read<std::string>("old", "C:\\data\\a.raw"));
    const std::string longest(1023, 'w');
    EXPECT_EQ(longest, Read<std::string>("old", longest + " tail"));
    EXPECT_EQ("", Read<std::string>("old", longest + "w"));
}

TEST(TextForm, ClassValuesReadTheirOwnForm)
{
    const FloatVec3 read = Read(FloatVec3(0, 0, 7), "[1.5, 2, x]");
    EXPECT_EQ(FloatVec3(1.5f, 2, 7), read);
    EXPECT_EQ(Int32Vec2(3, 4), Read(Int32Vec2(3, 4), "1, 2"));
}

TEST(StreamForm, FollowsTheStreamsOwnFormatting)
{
    EXPECT_EQ("A", StreamOf<std::int8_t>(65));
    EXPECT_EQ("B", StreamOf<std::uint8_t>(66));
    EXPECT_EQ("-12", StreamOf<std::int16_t>(-12));
    EXPECT_EQ("16.5", StreamOf(16.5f));
    EXPECT_EQ("1e-07", StreamOf(1e-7));
    EXPECT_EQ("123456789012", StreamOf<std::uint64_t>(123456789012ull));
    EXPECT_EQ("true", StreamOf(true));
    EXPECT_EQ("a b", StreamOf(std::string("a b")));
    EXPECT_EQ("[1, 2]", StreamOf(Int32Vec2(1, 2)));
    int unused = 0;
    std::ostringstream stream;
    stream << VariantEncapsulation(&unused, DataTypeUndefined) << VariantEncapsulation(&unused, 40);
    EXPECT_EQ("", stream.str());
}

}  // namespace
