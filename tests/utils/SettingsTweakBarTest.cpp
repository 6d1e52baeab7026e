#include "tarnwick/utils/Settings.h"

#include "platform/tweakbar/Bars.h"
#include "tests/support/OutputCapture.h"
#include "tests/support/TextMatch.h"
#include "tests/utils/ErrorText.h"

#include <gtest/gtest.h>

namespace {

using namespace qz::core;
using qz::test::CoutCapture;
using qz::test::EndsWith;
using qz::test::ErrorText;
using qz::utils::SettingsGroup;

// Vectors that only the tweak-bar exposure knows by name.
class FloatVec4 final : public SimpleVec<float, 4> {
public:
    std::uint32_t GetTypeID() const override { return TypeNameHash("FloatVec4"); }
    const char* GetTypeName() const override { return "FloatVec4"; }
};

class FloatVec2 final : public SimpleVec<float, 2> {
public:
    std::uint32_t GetTypeID() const override { return TypeNameHash("FloatVec2"); }
    const char* GetTypeName() const override { return "FloatVec2"; }
};

class Unknown final : public SimpleVec<float, 2> {
public:
    std::uint32_t GetTypeID() const override { return 42; }
    const char* GetTypeName() const override { return "Unknown"; }
};

// A bar that goes away with the test.
class Bar {
public:
    explicit Bar(const char* name) : bar_(TwNewBar(name)) {}
    ~Bar() { TwDeleteBar(bar_); }
    Bar(const Bar&) = delete;
    Bar& operator=(const Bar&) = delete;
    TwBar* operator->() const { return bar_; }
    TwBar* get() const { return bar_; }

private:
    TwBar* bar_;
};

struct Values {
    std::int8_t i8 = 0;
    std::int16_t i16 = 0;
    int i32 = 0;
    std::uint8_t u8 = 0;
    std::uint16_t u16 = 0;
    unsigned int u32 = 0;
    float f = 0;
    double d = 0;
    bool b = false;
    FloatVec3 direction;
    FloatVec3 colour;
    Int32Vec2 size;
    FloatVec2 pair;
    FloatVec4 quaternion;
    FloatVec4 colour4;
    FloatVec4 direction4;
};

const platform::tweakbar::Variable& VariableOf(const Bar& bar, const std::string& name)
{
    static const platform::tweakbar::Variable none {"none", TW_TYPE_BOOLCPP, nullptr, "", {}};
    const platform::tweakbar::Variable* variable = bar->FindVariable(name);
    EXPECT_NE(nullptr, variable) << name;
    return variable ? *variable : none;
}

TEST(SettingsTweakBar, EveryTypeGetsItsVariable)
{
    Values values;
    SettingsGroup group("volume", "Volume");
    group.AddTypedItem("i8", &values.i8, "I8");
    group.AddTypedItem("i16", &values.i16, "I16");
    group.AddTypedItem("i32", &values.i32, "Levels <!ATB min=1 max=12>");
    group.AddTypedItem("u8", &values.u8, "U8");
    group.AddTypedItem("u16", &values.u16, "U16");
    group.AddTypedItem("u32", &values.u32, "U32");
    group.AddTypedItem("f", &values.f, "Radius <!ATB step=0.5>");
    group.AddTypedItem("d", &values.d, "D");
    group.AddTypedItem("b", &values.b, "Trace foam <!ATB group=effects>");
    group.AddTypedItem("direction", &values.direction, "Light");
    group.AddTypedItem("colour", &values.colour, "Colour", 1);
    group.AddTypedItem("size", &values.size, "Size <!ATB min=0>");
    group.AddTypedItem("pair", &values.pair, "Pair");
    group.AddTypedItem("quaternion", &values.quaternion, "Rotation", 4);
    group.AddTypedItem("colour4", &values.colour4, "Colour4", 0);
    group.AddTypedItem("direction4", &values.direction4, "Direction4", 8);
    const Bar bar("volume_bar");
    group.AddToAntTweakBar(bar.get(), true);

    const struct {
        const char* name;
        TwType type;
        void* pointer;
        std::string definition;
    } expected[] = {
        {"i8", TW_TYPE_INT8, &values.i8, " label='I8' group = volume "},
        {"i16", TW_TYPE_INT16, &values.i16, " label='I16' group = volume "},
        {"i32", TW_TYPE_INT32, &values.i32, " label='Levels ' group = volume  min=1 max=12"},
        {"u8", TW_TYPE_UINT8, &values.u8, " label='U8' group = volume "},
        {"u16", TW_TYPE_UINT16, &values.u16, " label='U16' group = volume "},
        {"u32", TW_TYPE_UINT32, &values.u32, " label='U32' group = volume "},
        {"f", TW_TYPE_FLOAT, &values.f, " label='Radius ' group = volume  step=0.5 step=0.01 "},
        {"d", TW_TYPE_DOUBLE, &values.d, " label='D' group = volume  step=0.01 "},
        {"b", TW_TYPE_BOOLCPP, &values.b, " label='Trace foam ' group = volume  group=effects"},
        {"direction", TW_TYPE_DIR3F, &values.direction.x, " label='Light' group = volume  axisz=-z "},
        {"colour", TW_TYPE_COLOR3F, &values.colour.x, " label='Colour' group = volume "},
        {"size_x", TW_TYPE_INT32, &values.size.x, " min=0 label='Size  X' group=volume "},
        {"size_y", TW_TYPE_INT32, &values.size.y, " min=0 label='Size  Y' group=volume "},
        {"pair_x", TW_TYPE_FLOAT, &values.pair.x, " label='Pair X' group=volume "},
        {"pair_y", TW_TYPE_FLOAT, &values.pair.y, " label='Pair Y' group=volume "},
        {"quaternion", TW_TYPE_QUAT4F, &values.quaternion.x, " label='Rotation' group = volume "},
        {"colour4", TW_TYPE_COLOR4F, &values.colour4.x, " label='Colour4' group = volume "},
        {"direction4", TW_TYPE_DIR3F, &values.direction4.x, " label='Direction4' group = volume  axisz=-z "},
    };
    ASSERT_EQ(std::size(expected), bar->variables.size());
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const platform::tweakbar::Variable& variable = bar->variables[i];
        EXPECT_EQ(expected[i].name, variable.name);
        EXPECT_EQ(expected[i].type, variable.type) << variable.name;
        EXPECT_EQ(expected[i].pointer, variable.pointer) << variable.name;
        EXPECT_EQ(expected[i].definition, variable.definition) << variable.name;
    }
    EXPECT_EQ("0.01", VariableOf(bar, "f").Param("step")) << "the float step comes last and wins";
    EXPECT_EQ("effects", VariableOf(bar, "b").Param("group")) << "options after the group win";
    EXPECT_EQ("volume", VariableOf(bar, "i32").Param("group"));
    EXPECT_EQ("Volume", bar->parameters.at("volume").at("label"));
}

TEST(SettingsTweakBar, ItemsOffTheGuiAndGroupsWithoutLabel)
{
    int shown = 0, hidden = 0, untitled = 0, optionsOnly = 0;
    SettingsGroup group("rendering", "Rendering");
    group.AddTypedItem("shown", &shown, "Shown");
    group.AddTypedItem("hidden", &hidden, "Hidden", 0x80000000u);
    group.AddTypedItem("untitled", &untitled, "");
    group.AddTypedItem("options", &optionsOnly, "<!ATB min=1>");
    const Bar bar("rendering_bar");
    group.AddToAntTweakBar(bar.get(), false);
    ASSERT_EQ(1u, bar->variables.size());
    EXPECT_EQ(" label='Shown' ", bar->variables[0].definition);
    EXPECT_TRUE(bar->parameters.empty()) << "no group label without use group";

    SettingsGroup unlabelled("camera", "");
    unlabelled.AddTypedItem("shown", &shown, "Shown");
    const Bar other("camera_bar");
    unlabelled.AddToAntTweakBar(other.get(), true);
    EXPECT_TRUE(other->variables.empty());
    EXPECT_TRUE(other->parameters.empty());
}

TEST(SettingsTweakBar, UnsupportedTypesStopWithAnError)
{
    CoutCapture console;
    int first = 0;
    std::int64_t wide = 0;
    std::uint64_t wideUnsigned = 0;
    std::string text;
    const struct {
        std::function<void(SettingsGroup&)> add;
        const char* message;
    } cases[] = {
        {[&](SettingsGroup& g) { g.AddTypedItem("z", &wide, "Wide"); }, "Type int64 not supported by ATB"},
        {[&](SettingsGroup& g) { g.AddTypedItem("z", &wideUnsigned, "Wide"); }, "Type uint64 not supported by ATB"},
        {[&](SettingsGroup& g) { g.AddTypedItem("z", &text, "Text"); }, "String integration not implemented"},
    };
    for (const auto& unsupported : cases) {
        SettingsGroup group("volume", "Volume");
        group.AddTypedItem("a", &first, "First");
        unsupported.add(group);
        group.AddTypedItem("b", &first, "After");
        const Bar bar("unsupported_bar");
        const std::string error = ErrorText([&] { group.AddToAntTweakBar(bar.get(), true); });
        EXPECT_TRUE(EndsWith(error, std::string("\n") + unsupported.message)) << error;
        EXPECT_NE(std::string::npos,
                  error.find("\nMethod: qz::utils::SettingsGroup::AddToAntTweakBar\nFile: \"utils\\Settings\": "));
        ASSERT_EQ(1u, bar->variables.size()) << "variables before the item stay";
        EXPECT_EQ("a", bar->variables[0].name);
    }
}

TEST(SettingsTweakBar, ClassValuesWithoutATweakBarForm)
{
    Unknown unknown;
    FloatVec3 odd;
    FloatVec4 twelve;
    int after = 0;
    SettingsGroup group("volume", "Volume");
    group.AddTypedItem("unknown", &unknown, "Unknown");
    group.AddTypedItem("odd", &odd, "Odd", 2);
    group.AddTypedItem("twelve", &twelve, "Twelve", 12);
    group.AddTypedItem("undefined", &after, "Undefined").value = VariantEncapsulation(&after, DataTypeUndefined);
    group.AddTypedItem("after", &after, "After");
    const Bar bar("class_bar");
    CoutCapture console;
    group.AddToAntTweakBar(bar.get(), true);
    ASSERT_EQ(1u, bar->variables.size());
    EXPECT_EQ("after", bar->variables[0].name);
    EXPECT_NE(std::string::npos, console.Text().find("\n*** ERROR ***\nInvalid class id for ATB: 42\n"));
    EXPECT_NE(std::string::npos, console.Text().find("no tweak-bar form for item odd"));
    EXPECT_NE(std::string::npos, console.Text().find("no tweak-bar form for item twelve"));
    EXPECT_NE(std::string::npos, console.Text().find("no tweak-bar form for item undefined"));
}

TEST(SettingsTweakBar, TheBarWritesTheOwnersVariable)
{
    float radius = 0.5f;
    SettingsGroup group("volume", "Volume");
    group.AddTypedItem("radius", &radius, "Radius");
    const Bar bar("write_bar");
    group.AddToAntTweakBar(bar.get(), true);
    *static_cast<float*>(VariableOf(bar, "radius").pointer) = 2.0f;
    EXPECT_EQ(2.0f, radius);
}

}  // namespace
