// Values of bound variables as shown and as written back.

#include "platform/tweakbar/VariableValue.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using platform::tweakbar::Variable;

Variable Bound(TwType type, void* pointer, const std::string& definition = "")
{
    return Variable {"v", type, pointer, definition, platform::tweakbar::ParseDefinition(definition)};
}

TEST(TweakBarValues, ShownText)
{
    bool on = true;
    std::int8_t small = -5;
    std::uint32_t large = 4000000000u;
    float f[4] = {0.1f, 0.2f, 0.3f, 1.0f};
    double d = 1.23456789;
    struct Case {
        Variable variable;
        float value;  // written into f[0] first
        const char* text;
    };
    const Case cases[] = {
        {Bound(TW_TYPE_BOOLCPP, &on), 0, "ON"},
        {Bound(TW_TYPE_INT8, &small), 0, "-5"},
        {Bound(TW_TYPE_UINT32, &large), 0, "4000000000"},
        {Bound(TW_TYPE_FLOAT, f, " step=0.01 "), 0.5f, "0.50"},
        {Bound(TW_TYPE_FLOAT, f, " step=0.01 "), 0.005f, "0.005"},  // more decimals than the step's
        {Bound(TW_TYPE_FLOAT, f, "step=0.5"), 2.0f, "2.0"},
        {Bound(TW_TYPE_FLOAT, f, "step=2"), 2.0f, "2.0"},
        {Bound(TW_TYPE_FLOAT, f, ""), -3.25f, "-3.25"},
        {Bound(TW_TYPE_FLOAT, f, "step=0.01"), 3e10f, "3e+10"},
        {Bound(TW_TYPE_DOUBLE, &d, ""), 0, "1.2346"},
        {Bound(TW_TYPE_COLOR4F, f, ""), 0.1f, "0.10 0.20 0.30 1.00"},
        {Bound(TW_TYPE_DIR3F, f, " axisz=-z "), -1.0f, "-1.00 0.20 0.30"},
    };
    for (const Case& c : cases) {
        f[0] = c.value;
        EXPECT_EQ(c.text, platform::tweakbar::ValueText(c.variable)) << c.variable.definition << " " << c.value;
    }
}

TEST(TweakBarValues, WritesStayWithinLimitsAndTypes)
{
    std::int8_t i8 = 0;
    std::uint8_t u8 = 9;
    std::int32_t i32 = 5;
    std::uint32_t u32 = 5;
    float f = 1.0f;
    using platform::tweakbar::WriteNumber;
    WriteNumber(Bound(TW_TYPE_INT8, &i8), 300.0);
    EXPECT_EQ(127, i8);
    WriteNumber(Bound(TW_TYPE_UINT8, &u8), -3.0);
    EXPECT_EQ(0, u8);
    WriteNumber(Bound(TW_TYPE_INT32, &i32, "min=1 max=12"), 0.0);
    EXPECT_EQ(1, i32);
    WriteNumber(Bound(TW_TYPE_INT32, &i32, "min=1 max=12"), 11.5);
    EXPECT_EQ(12, i32);
    WriteNumber(Bound(TW_TYPE_UINT32, &u32, "min=-5"), -1e12);
    EXPECT_EQ(0u, u32) << "a min below the type's range is the type's";
    WriteNumber(Bound(TW_TYPE_FLOAT, &f, "max=5.0"), 1e300);
    EXPECT_EQ(5.0f, f);
    WriteNumber(Bound(TW_TYPE_FLOAT, &f, ""), 1e300);
    EXPECT_EQ(std::numeric_limits<float>::max(), f);

    float v[3] = {1, 2, 3};
    using platform::tweakbar::WriteText;
    EXPECT_FALSE(WriteText(Bound(TW_TYPE_FLOAT, &f), "abc"));
    EXPECT_FALSE(WriteText(Bound(TW_TYPE_FLOAT, &f), "1 2"));
    EXPECT_FALSE(WriteText(Bound(TW_TYPE_FLOAT, &f), ""));
    EXPECT_FALSE(WriteText(Bound(TW_TYPE_FLOAT, &f), "1e999"));
    EXPECT_FALSE(WriteText(Bound(TW_TYPE_BOOLCPP, &f), "1"));
    EXPECT_FALSE(WriteText(Bound(TW_TYPE_DIR3F, v), "1 2"));
    EXPECT_EQ(2.0f, v[1]) << "nothing written";
    EXPECT_TRUE(WriteText(Bound(TW_TYPE_DIR3F, v), " -1,0 ,2.5 "));
    EXPECT_EQ(-1.0f, v[0]);
    EXPECT_EQ(0.0f, v[1]);
    EXPECT_EQ(2.5f, v[2]);
    EXPECT_TRUE(WriteText(Bound(TW_TYPE_FLOAT, &f, "min=0"), "-.5"));
    EXPECT_EQ(0.0f, f);
}

TEST(TweakBarValues, LimitsOfTypesAndDefinitions)
{
    int i = 0;
    float f = 0;
    using platform::tweakbar::LimitsOf;
    EXPECT_EQ(1.0, LimitsOf(Bound(TW_TYPE_INT32, &i)).step);
    EXPECT_EQ(0, LimitsOf(Bound(TW_TYPE_INT32, &i)).decimals);
    EXPECT_EQ(0.01, LimitsOf(Bound(TW_TYPE_FLOAT, &f)).step);
    EXPECT_EQ(0.25, LimitsOf(Bound(TW_TYPE_FLOAT, &f, "step=0.5 step=0.25")).step) << "the last one wins";
    EXPECT_EQ(0.01, LimitsOf(Bound(TW_TYPE_FLOAT, &f, "step=-1")).step) << "no backward steps";
    EXPECT_EQ(3, LimitsOf(Bound(TW_TYPE_FLOAT, &f, "step=0.001")).decimals);
    EXPECT_EQ(-2.0, LimitsOf(Bound(TW_TYPE_FLOAT, &f, "min=-2 max=x")).min);
    EXPECT_EQ(std::numeric_limits<float>::max(), LimitsOf(Bound(TW_TYPE_FLOAT, &f, "min=-2 max=x")).max);
}

}  // namespace
