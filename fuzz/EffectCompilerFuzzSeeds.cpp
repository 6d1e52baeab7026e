// Seeds of the effect compiler: the program's effect sources, the test samples, and a
// source with every preprocessor form and an included file (after the zero byte).

#include "fuzz/FuzzSeeds.h"
#include "tests/effects/EffectSamples.h"
#include "tests/support/OutputCapture.h"

int main(int argc, char** argv)
{
    return qz::fuzz::RunSeedWriter(argc, argv, [](const std::string& folder) {
        for (const char* name : {"graph", "3dobjects"}) {
            const std::string source = qz::test::ReadFile(std::string(QZ_SHADER_DIR) + "/" + name + ".fx");
            if (source.empty()) {
                throw std::runtime_error(std::string("no source of ") + name);
            }
            qz::fuzz::WriteSeed(folder, std::string(name) + ".fx", source);
        }
        qz::fuzz::WriteSeed(folder, "packed.fx", qz::test::kPacked);
        qz::fuzz::WriteSeed(folder, "techniques.fx", qz::test::kTechniques);
        qz::fuzz::WriteSeed(folder, "runtime.fx", qz::test::kRuntime);
        const std::string preprocessor =
            "#include \"common.fxh\"\n"
            "#define F(a, b) ((a) * (b) + COMMON)\n#define S(x) #x\n#define P(x, y) x ## y\n"
            "#if defined(MODE) && MODE > 0 || (1 << 2) % 3 == 1\nfloat P(g_, value) = F(2, 3);\n#elif 0\n#else\n"
            "#error never\n#endif\n#ifdef EMPTY\nfloat4 v = float4(1, 2, 3, 4);\n#endif\n#undef F\n#line 40 \"x.fx\"\n"
            "technique11 T { pass P { } }\n";
        qz::fuzz::WriteSeed(folder, "preprocessor.fx", preprocessor + '\0' + "#pragma once\n#define COMMON 1\n");
    });
}
