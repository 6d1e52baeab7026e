// The effect sources stay real HLSL: with the effect-only blocks taken out (techniques and
// state blocks), every shader function a pass names compiles with glslangValidator, a
// real HLSL front end.

#include "platform/effects/CompileSource.h"
#include "platform/effects/EffectFormat.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

namespace {

bool StartsWithWord(const std::string& text, std::size_t at, const std::string& word)
{
    return text.compare(at, word.size(), word) == 0 &&
           (at + word.size() >= text.size() || !(std::isalnum(static_cast<unsigned char>(text[at + word.size()])) ||
                                                  text[at + word.size()] == '_'));
}

// Techniques and state blocks become blank lines (so line numbers stay); a sampler keeps
// its declaration without its state block.
std::string StripEffectBlocks(const std::string& source)
{
    static const char* const kBlocks[] = {"technique11", "technique10", "BlendState", "DepthStencilState",
                                          "RasterizerState", "SamplerState"};
    std::string text = source;
    int depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '{') ++depth;
        if (text[i] == '}') --depth;
        const bool lineStart = i == 0 || text[i - 1] == '\n';
        if (depth != 0 || !lineStart) {
            continue;
        }
        for (const char* block : kBlocks) {
            if (!StartsWithWord(text, i, block)) {
                continue;
            }
            const std::size_t open = text.find('{', i);
            std::size_t close = open;
            for (int level = 0; close < text.size(); ++close) {
                level += text[close] == '{' ? 1 : text[close] == '}' ? -1 : 0;
                if (level == 0) break;
            }
            std::size_t end = close + 1;
            while (end < text.size() && (text[end] == ' ' || text[end] == ';')) ++end;
            std::string replacement = std::string(block) == "SamplerState"
                                          ? text.substr(i, text.find_last_not_of(" \n", open - 1) + 1 - i) + ";"
                                          : std::string();
            for (std::size_t c = i; c < end; ++c) {
                if (text[c] == '\n') replacement += '\n';
            }
            text.replace(i, end - i, replacement);
            break;
        }
    }
    return text;
}

struct EntryPoint {
    std::string function;
    const char* stage;
    bool operator<(const EntryPoint& other) const { return function < other.function; }
};

// The functions the effect's passes compile, with their stages.
std::set<EntryPoint> EntryPoints(const std::string& source, const std::string& name)
{
    platform::effects::CompileRequest request;
    request.source = source;
    request.sourceName = name + ".fx";
    request.effectName = name;
    platform::effects::Diagnostics diagnostics;
    std::vector<std::byte> code;
    EXPECT_TRUE(platform::effects::CompileEffectSource(request, code, diagnostics)) << diagnostics.Text();
    platform::effects::EffectInfo effect;
    std::string error;
    EXPECT_TRUE(platform::effects::ReadEffect(code.data(), code.size(), effect, error));
    std::set<EntryPoint> entries;
    for (const auto& technique : effect.techniques) {
        for (const auto& pass : technique.passes) {
            if (!pass.shaders[0].function.empty()) entries.insert({pass.shaders[0].function, "vert"});
            if (!pass.shaders[1].function.empty()) entries.insert({pass.shaders[1].function, "frag"});
        }
    }
    return entries;
}

// glslangValidator's exit code; its output goes to log.
int Validate(const std::string& file, const EntryPoint& entry, std::string& log)
{
    const std::string output = file + "." + entry.function + ".txt";
    const std::string command = "glslangValidator -D -V -S " + std::string(entry.stage) + " -e " + entry.function +
                                " -o " + file + "." + entry.function + ".spv " + file + " > " + output + " 2>&1";
    const int status = std::system(command.c_str());
    log = qz::test::ReadFile(output);
    return status;
}

std::string Source(const std::string& name) { return qz::test::ReadFile(std::string(QZ_SHADER_DIR) + "/" + name + ".fx"); }

class HlslValidation : public ::testing::TestWithParam<std::string> {};

TEST_P(HlslValidation, EveryPassFunctionCompilesWithGlslang)
{
    const std::string source = Source(GetParam());
    ASSERT_FALSE(source.empty());
    const std::string file = GetParam() + ".hlsl";
    std::ofstream(file) << StripEffectBlocks(source);
    const std::set<EntryPoint> entries = EntryPoints(source, GetParam());
    ASSERT_EQ(2u, entries.size());
    for (const EntryPoint& entry : entries) {
        std::string log;
        EXPECT_EQ(0, Validate(file, entry, log)) << entry.function << ":\n" << log;
    }
}

INSTANTIATE_TEST_SUITE_P(ProgramEffects, HlslValidation, ::testing::Values("graph", "3dobjects", "scene"),
                         [](const auto& info) { return "effect_" + std::string(info.param == "3dobjects" ? "objects" : info.param); });

TEST(HlslValidationControl, AFaultInAFunctionIsFound)
{
    std::string source = Source("graph");
    const std::size_t use = source.find("return g_graphColor;");
    ASSERT_NE(std::string::npos, use);
    source.replace(use, 20, "return g_graphColour;");
    std::ofstream("broken.hlsl") << StripEffectBlocks(source);
    std::string log;
    EXPECT_NE(0, Validate("broken.hlsl", {"PSGraph", "frag"}, log));
    EXPECT_NE(std::string::npos, log.find("g_graphColour")) << log;
}

TEST(HlslValidationControl, StrippingLeavesDeclarationsAndLineNumbers)
{
    const std::string stripped = StripEffectBlocks(
        "float a;\nSamplerState S\n{\n    Filter = MIN_MAG_MIP_LINEAR;\n};\ntechnique11 T { pass P { } }\nfloat b;\n");
    EXPECT_EQ("float a;\nSamplerState S;\n\n\n\n\nfloat b;\n", stripped);
}

}  // namespace
