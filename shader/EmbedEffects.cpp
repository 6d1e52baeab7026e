// qz_embed_effects <output.cpp> <effect.fx>...: compiles each effect source for fx_5_0
// and writes a C++ source that holds the compiled bytes (EmbeddedEffects.h). Compiler
// messages go to standard error; any error fails the build.

#include "platform/d3d11/com/ComPtr.h"
#include "platform/effects/CompileSource.h"
#include "platform/effects/D3DCompiler.h"

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

std::string Identifier(std::size_t index) { return "effect" + std::to_string(index); }

bool Compile(const std::string& path, std::vector<std::uint8_t>& bytes)
{
    const std::wstring wide(path.begin(), path.end());
    d3d11sw::ComPtr<ID3DBlob> code;
    d3d11sw::ComPtr<ID3DBlob> messages;
    const HRESULT result = D3DCompileFromFile(wide.c_str(), nullptr, D3D_COMPILE_STANDARD_FILE_INCLUDE, nullptr,
                                              "fx_5_0", D3DCOMPILE_ENABLE_STRICTNESS, 0, code.ReleaseAndGetAddressOf(),
                                              messages.ReleaseAndGetAddressOf());
    if (messages) {
        std::cerr << static_cast<const char*>(messages->GetBufferPointer());
    }
    if (FAILED(result)) {
        std::cerr << path << ": compiling failed\n";
        return false;
    }
    const auto* data = static_cast<const std::uint8_t*>(code->GetBufferPointer());
    bytes.assign(data, data + code->GetBufferSize());
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::cerr << "usage: qz_embed_effects <output.cpp> <effect.fx>...\n";
        return 2;
    }
    std::ostringstream out;
    out << "// Written by qz_embed_effects at build time; the sources are shader/*.fx.\n"
        << "#include \"shader/EmbeddedEffects.h\"\n\nnamespace qz::shaders {\nnamespace {\n\n";
    std::ostringstream table;
    for (int i = 2; i < argc; ++i) {
        std::vector<std::uint8_t> bytes;
        if (!Compile(argv[i], bytes)) {
            return 1;
        }
        const std::string id = Identifier(static_cast<std::size_t>(i - 2));
        out << "const std::uint8_t " << id << "[] = {";
        for (std::size_t b = 0; b < bytes.size(); ++b) {
            out << (b % 20 == 0 ? "\n    " : " ") << static_cast<unsigned>(bytes[b]) << ",";
        }
        out << "\n};\n\n";
        table << "    {\"" << platform::effects::EffectNameOf(argv[i]) << "\", " << id << ", sizeof " << id << "},\n";
    }
    out << "}  // namespace\n\nconst EmbeddedEffect kEmbeddedEffects[] = {\n"
        << table.str() << "};\nconst std::size_t kEmbeddedEffectCount = " << (argc - 2) << ";\n\n}  // namespace qz::shaders\n";
    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    file << out.str();
    file.close();
    if (!file) {
        std::cerr << argv[1] << ": cannot be written\n";
        return 1;
    }
    return 0;
}
