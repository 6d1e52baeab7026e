#include "tarnwick/dx11/EffectCompiler.h"

#include "platform/effects/D3DCompiler.h"
#include "platform/d3d11/com/ComPtr.h"
#include "platform/win/RegularFile.h"
#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/utils/ConsoleSpinner.h"
#include "tarnwick/utils/ReplacingFile.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace qz::dx11 {
namespace {

constexpr const char* kCompileMethod = "qz::dx11::EffectCompiler::CompileFromFile";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string BlobText(ID3DBlob* blob)
{
    if (!blob || blob->GetBufferSize() == 0) {
        return {};
    }
    const char* text = static_cast<const char*>(blob->GetBufferPointer());
    std::string value(text, blob->GetBufferSize());
    value.erase(std::find(value.begin(), value.end(), '\0'), value.end());
    return value;
}

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// The source as the compiler is given it, one zero byte after it. Only a regular file
// is read: a folder has no size, and opening a FIFO would wait for a writer.
std::vector<char> ReadSource(const std::string& fileName, std::size_t& size)
{
    std::string failure;
    File file(platform::win::OpenRegularFile(fileName, failure));
    if (!file) {
        const bool special = failure == platform::win::NotARegularFileText;
        QZ_THROW(kCompileMethod, "Could not find shader file ", fileName, special ? " (" + failure + ")" : "");
    }
    std::fseek(file.get(), 0, SEEK_END);
    const long end = std::ftell(file.get());
    std::fseek(file.get(), 0, SEEK_SET);
    std::vector<char> buffer(static_cast<std::size_t>(std::max(end, 0L)) + 1, '\0');
    size = std::fread(buffer.data(), 1, buffer.size() - 1, file.get());
    return buffer;
}

// The compiled bytes of a cache file that counts for this hash; false when the file is
// missing, no regular file, shorter than its header, read short, or stale.
bool ReadCache(const std::string& cacheName, std::uint64_t hash, std::uint32_t flags, EffectBytes& output)
{
    std::string failure;
    File file(platform::win::OpenRegularFile(cacheName, failure));
    if (!file) {
        return false;
    }
    unsigned char header[8];
    if (std::fread(header, 1, sizeof header, file.get()) != sizeof header) {
        return false;
    }
    std::uint64_t stored = 0;
    for (int i = 7; i >= 0; --i) {
        stored = (stored << 8) | header[i];
    }
    if ((flags & EffectCompiler::kIgnoreCache) || (stored != hash && !(flags & EffectCompiler::kAcceptAnyCache))) {
        return false;
    }
    if (std::fseek(file.get(), 0, SEEK_END) != 0) {
        return false;
    }
    const long end = std::ftell(file.get());
    if (end < 8 || std::fseek(file.get(), 8, SEEK_SET) != 0) {
        return false;
    }
    EffectBytes bytes(static_cast<std::size_t>(end - 8));
    if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() || std::ferror(file.get())) {
        return false;
    }
    output = std::move(bytes);
    return true;
}

// Written to a temporary file and renamed over the old one, so a full disk or a second
// writer never leaves a cut or mixed file that a later run would take. A cache that
// cannot be written is simply not written, nor is one whose name stands for a folder,
// FIFO or device: no cache could be read back from those, and a FIFO may hold the write.
void WriteCache(const std::string& cacheName, std::uint64_t hash, const void* code, std::size_t size)
{
    std::error_code error;
    const auto kind = std::filesystem::status(cacheName, error).type();
    if (kind != std::filesystem::file_type::not_found && kind != std::filesystem::file_type::regular) {
        return;
    }
    unsigned char header[8];
    for (int i = 0; i < 8; ++i) {
        header[i] = static_cast<unsigned char>(hash >> (8 * i));
    }
    utils::ReplacingFile file;
    if (file.Open(cacheName) && file.Write(header, sizeof header) && file.Write(code, size)) {
        file.Commit();  // on failure the temporary file is gone and the old cache stays
    }
}

}  // namespace

std::uint64_t EffectCompiler::Hash(const char* text)
{
    std::uint64_t hash = 2166136261u;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c; ++c) {
        hash *= 16777619u;
        hash ^= *c;
    }
    return hash;
}

std::string EffectCompiler::DefineText(const EffectDefines& defines)
{
    std::vector<std::pair<std::string, std::string>> sorted(defines.begin(), defines.end());
    std::sort(sorted.begin(), sorted.end());
    std::string text;
    for (const auto& [name, value] : sorted) {
        text += "/D" + name + (value.empty() ? "" : "=" + value) + ";";
    }
    return text;
}

std::string EffectCompiler::CacheFileName(const std::string& fileName, const EffectDefines& defines)
{
    const std::size_t dot = fileName.find_last_of('.');
    std::string name = dot == std::string::npos ? fileName : fileName.substr(0, dot);
    if (!defines.empty()) {
        char hash[32];
        std::snprintf(hash, sizeof hash, "_%llu", static_cast<unsigned long long>(Hash(DefineText(defines).c_str())));
        name += hash;
    }
    return name + ".prc";
}

void EffectCompiler::CompileFromFile(const std::string& fileName, EffectBytes& output, std::uint32_t flags,
                                     const EffectDefines& defines)
{
    const std::string cacheName = CacheFileName(fileName, defines);
    std::vector<std::pair<std::string, std::string>> sorted(defines.begin(), defines.end());
    std::sort(sorted.begin(), sorted.end());
    std::vector<D3D_SHADER_MACRO> macros;
    for (const auto& [name, value] : sorted) {
        macros.push_back({name.c_str(), value.c_str()});
    }
    macros.push_back({nullptr, nullptr});
    const D3D_SHADER_MACRO* macroArray = defines.empty() ? nullptr : macros.data();

    std::size_t size = 0;
    const std::vector<char> source = ReadSource(fileName, size);
    d3d11sw::ComPtr<ID3DBlob> text;
    d3d11sw::ComPtr<ID3DBlob> messages;
    if (FAILED(D3DPreprocess(source.data(), size, fileName.c_str(), macroArray, D3D_COMPILE_STANDARD_FILE_INCLUDE,
                             text.ReleaseAndGetAddressOf(), messages.ReleaseAndGetAddressOf()))) {
        QZ_THROW(kCompileMethod, "Error during preprocessing \"", fileName, "\":\n", BlobText(messages.Get()));
    }
    const std::uint64_t hash = Hash(static_cast<const char*>(text->GetBufferPointer()));
    if (ReadCache(cacheName, hash, flags, output)) {
        return;
    }

    core::Logger::BeginMessageWith("*** Recompiling ") << fileName << " ***";
    d3d11sw::ComPtr<ID3DBlob> code;
    HRESULT result = S_OK;
    {
        utils::ConsoleSpinner spinner;  // finishes on every path
        if (flags & kShowSpinner) {
            std::printf("\n");
            spinner.Start("");
        }
        result = D3DCompileFromFile(Widen(fileName).c_str(), macroArray, D3D_COMPILE_STANDARD_FILE_INCLUDE, nullptr,
                                    "fx_5_0", D3DCOMPILE_ENABLE_STRICTNESS, 0, code.ReleaseAndGetAddressOf(),
                                    messages.ReleaseAndGetAddressOf());
        spinner.Finish();
    }
    const std::string compilerMessages = BlobText(messages.Get());
    if (!compilerMessages.empty()) {
        auto message = core::Logger::BeginMessage(core::LogLevelImportant);
        message.SetType(core::LogTypeWarning);
        message << compilerMessages;
    }
    if (FAILED(result) || !code) {
        QZ_THROW(kCompileMethod, "Error compiling shader from file ", fileName, ":\n", compilerMessages);
    }
    const auto* bytes = static_cast<const std::uint8_t*>(code->GetBufferPointer());
    if (!(flags & kNoCacheWrite)) {
        WriteCache(cacheName, hash, bytes, code->GetBufferSize());
    }
    output.assign(bytes, bytes + code->GetBufferSize());
}

void EffectCompiler::LoadFromMemory(ID3D11Device* device, const EffectBytes& bytes, ID3DX11Effect** effect)
{
    if (D3DX11CreateEffectFromMemory(bytes.data(), bytes.size(), 0, device, effect) != S_OK) {
        QZ_THROW("qz::dx11::EffectCompiler::LoadFromMemory", "Error loading shader from memory");
    }
}

}  // namespace qz::dx11
