#include "platform/effects/EffectFormat.h"

#include "platform/effects/FormatVersion.h"

#include <cstring>
#include <type_traits>

namespace platform::effects {
namespace {

constexpr char kMagic[4] = {'Q', 'Z', 'F', 'X'};
constexpr std::uint32_t kMaxString = 1u << 20;

class Writer {
public:
    static constexpr bool kReading = false;

    void U32(std::uint32_t& value)
    {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<std::byte>((value >> shift) & 0xFFu));
        }
    }
    void Raw(const void* data, std::size_t size)
    {
        const auto* begin = static_cast<const std::byte*>(data);
        bytes.insert(bytes.end(), begin, begin + size);
    }
    void Bytes(std::vector<std::byte>& data)
    {
        auto size = static_cast<std::uint32_t>(data.size());
        U32(size);
        bytes.insert(bytes.end(), data.begin(), data.end());
    }
    template <class T>
    void Count(std::vector<T>& items, std::size_t)
    {
        auto size = static_cast<std::uint32_t>(items.size());
        U32(size);
    }
    bool Ok() const { return true; }

    std::vector<std::byte> bytes;
};

class Reader {
public:
    static constexpr bool kReading = true;

    Reader(const std::byte* data, std::size_t size) : data_(data), size_(size) {}

    void U32(std::uint32_t& value)
    {
        value = 0;
        if (!Have(4)) {
            return;
        }
        for (int i = 0; i < 4; ++i) {
            value |= std::uint32_t{std::to_integer<std::uint8_t>(data_[position_ + static_cast<std::size_t>(i)])} << (8 * i);
        }
        position_ += 4;
    }
    void Raw(void* data, std::size_t size)
    {
        if (size > 0 && Have(size)) {
            std::memcpy(data, data_ + position_, size);
            position_ += size;
        }
    }
    void Bytes(std::vector<std::byte>& data)
    {
        std::uint32_t size = 0;
        U32(size);
        if (size > kMaxString * 64 || !Have(size)) {
            Fail();
            return;
        }
        data.assign(data_ + position_, data_ + position_ + size);
        position_ += size;
    }
    // Each item takes at least minimumBytes, so a count the rest cannot hold is refused
    // before anything is allocated.
    template <class T>
    void Count(std::vector<T>& items, std::size_t minimumBytes)
    {
        std::uint32_t count = 0;
        U32(count);
        if (!ok_ || count > (size_ - position_) / minimumBytes) {
            Fail();
            return;
        }
        items.resize(count);
    }
    bool Ok() const { return ok_; }
    bool AtEnd() const { return position_ == size_; }
    std::size_t Left() const { return size_ - position_; }

private:
    bool Have(std::size_t bytes)
    {
        if (!ok_ || bytes > size_ - position_) {
            Fail();
            return false;
        }
        return true;
    }
    void Fail() { ok_ = false; }

    const std::byte* data_;
    std::size_t size_;
    std::size_t position_ = 0;
    bool ok_ = true;
};

template <class Archive, class T>
void Number(Archive& archive, T& value)
{
    static_assert(sizeof(T) == 4);
    std::uint32_t bits = 0;
    if constexpr (!Archive::kReading) {
        std::memcpy(&bits, &value, 4);
    }
    archive.U32(bits);
    if constexpr (Archive::kReading) {
        std::memcpy(&value, &bits, 4);
    }
}

// A one-byte field travels as a 32-bit number; a reader refuses larger values.
template <class Archive>
void Byte(Archive& archive, UINT8& value, bool& valid)
{
    std::uint32_t wide = value;
    archive.U32(wide);
    valid = valid && wide <= 0xFFu;
    value = static_cast<UINT8>(wide);
}

template <class Archive>
void String(Archive& archive, std::string& text)
{
    std::vector<std::byte> bytes;
    if constexpr (!Archive::kReading) {
        const auto* begin = reinterpret_cast<const std::byte*>(text.data());
        bytes.assign(begin, begin + text.size());
    }
    archive.Bytes(bytes);
    if constexpr (Archive::kReading) {
        if (bytes.size() > kMaxString) {
            bytes.clear();
        }
        const auto* begin = reinterpret_cast<const char*>(bytes.data());
        text.assign(begin, begin + bytes.size());
    }
}

template <class Archive>
void States(Archive& a, VariableInfo& v, bool& valid)
{
    switch (v.kind) {
    case VariableKind::Blend:
        Number(a, v.blend.AlphaToCoverageEnable);
        Number(a, v.blend.IndependentBlendEnable);
        for (D3D11_RENDER_TARGET_BLEND_DESC& target : v.blend.RenderTarget) {
            Number(a, target.BlendEnable);
            Number(a, target.SrcBlend);
            Number(a, target.DestBlend);
            Number(a, target.BlendOp);
            Number(a, target.SrcBlendAlpha);
            Number(a, target.DestBlendAlpha);
            Number(a, target.BlendOpAlpha);
            Byte(a, target.RenderTargetWriteMask, valid);
        }
        break;
    case VariableKind::DepthStencil: {
        D3D11_DEPTH_STENCIL_DESC& d = v.depthStencil;
        Number(a, d.DepthEnable);
        Number(a, d.DepthWriteMask);
        Number(a, d.DepthFunc);
        Number(a, d.StencilEnable);
        Byte(a, d.StencilReadMask, valid);
        Byte(a, d.StencilWriteMask, valid);
        for (D3D11_DEPTH_STENCILOP_DESC* face : {&d.FrontFace, &d.BackFace}) {
            Number(a, face->StencilFailOp);
            Number(a, face->StencilDepthFailOp);
            Number(a, face->StencilPassOp);
            Number(a, face->StencilFunc);
        }
        break;
    }
    case VariableKind::Rasterizer: {
        D3D11_RASTERIZER_DESC& r = v.rasterizer;
        Number(a, r.FillMode);
        Number(a, r.CullMode);
        Number(a, r.FrontCounterClockwise);
        Number(a, r.DepthBias);
        Number(a, r.DepthBiasClamp);
        Number(a, r.SlopeScaledDepthBias);
        Number(a, r.DepthClipEnable);
        Number(a, r.ScissorEnable);
        Number(a, r.MultisampleEnable);
        Number(a, r.AntialiasedLineEnable);
        break;
    }
    case VariableKind::Sampler: {
        D3D11_SAMPLER_DESC& s = v.sampler;
        Number(a, s.Filter);
        Number(a, s.AddressU);
        Number(a, s.AddressV);
        Number(a, s.AddressW);
        Number(a, s.MipLODBias);
        Number(a, s.MaxAnisotropy);
        Number(a, s.ComparisonFunc);
        for (FLOAT& component : s.BorderColor) {
            Number(a, component);
        }
        Number(a, s.MinLOD);
        Number(a, s.MaxLOD);
        break;
    }
    default: break;
    }
}

template <class Archive>
void Variable(Archive& a, VariableInfo& v, bool& valid)
{
    String(a, v.name);
    String(a, v.semantic);
    String(a, v.typeName);
    Number(a, v.kind);
    Number(a, v.elements);
    if (static_cast<std::uint32_t>(v.kind) >= kVariableKinds) {
        valid = false;
        return;
    }
    if (IsNumeric(v.kind)) {
        std::uint32_t columnMajor = v.columnMajor ? 1 : 0;
        Number(a, v.buffer);
        Number(a, v.offset);
        Number(a, v.type);
        Number(a, v.rows);
        Number(a, v.columns);
        Number(a, columnMajor);
        valid = valid && columnMajor <= 1;
        v.columnMajor = columnMajor != 0;
    } else if (v.kind == VariableKind::ShaderResource || v.kind == VariableKind::UnorderedAccess ||
               v.kind == VariableKind::Sampler) {
        Number(a, v.slot);
    }
    States(a, v, valid);
}

template <class Archive>
void Pass(Archive& a, PassInfo& p, bool& valid)
{
    String(a, p.name);
    for (ShaderUse& use : p.shaders) {
        std::uint32_t set = use.set ? 1 : 0;
        Number(a, set);
        valid = valid && set <= 1;
        use.set = set != 0;
        String(a, use.profile);
        String(a, use.function);
        a.Count(use.arguments, 4);
        for (std::string& argument : use.arguments) {
            String(a, argument);
        }
    }
    a.Count(p.inputs, 16);
    for (d3d11sw::SignatureElement& element : p.inputs) {
        String(a, element.semanticName);
        Number(a, element.semanticIndex);
        Number(a, element.type);
        Number(a, element.componentCount);
    }
    Number(a, p.blend);
    for (float& factor : p.blendFactor) {
        Number(a, factor);
    }
    Number(a, p.sampleMask);
    Number(a, p.depthStencil);
    Number(a, p.stencilRef);
    Number(a, p.rasterizer);
}

template <class Archive>
bool Transfer(Archive& a, EffectInfo& effect)
{
    bool valid = true;
    String(a, effect.name);
    a.Count(effect.macros, 8);
    for (auto& [name, value] : effect.macros) {
        String(a, name);
        String(a, value);
    }
    a.Count(effect.buffers, 12);
    for (ConstantBufferInfo& buffer : effect.buffers) {
        String(a, buffer.name);
        Number(a, buffer.slot);
        a.Bytes(buffer.initial);
    }
    a.Count(effect.variables, 20);
    for (VariableInfo& variable : effect.variables) {
        Variable(a, variable, valid);
        if (!a.Ok() || !valid) {
            return false;
        }
    }
    a.Count(effect.techniques, 8);
    for (TechniqueInfo& technique : effect.techniques) {
        String(a, technique.name);
        a.Count(technique.passes, 40);
        for (PassInfo& pass : technique.passes) {
            Pass(a, pass, valid);
            if (!a.Ok() || !valid) {
                return false;
            }
        }
    }
    return a.Ok() && valid;
}

bool ValidStateReference(const EffectInfo& effect, std::uint32_t reference, VariableKind kind)
{
    return reference == kStateNotSet || reference == kStateNull ||
           (reference < effect.variables.size() && effect.variables[reference].kind == kind);
}

// References and ranges the runtime relies on.
bool Validate(const EffectInfo& effect, std::string& error)
{
    for (const ConstantBufferInfo& buffer : effect.buffers) {
        if (buffer.slot >= D3D11_COMMONSHADER_CONSTANT_BUFFER_API_SLOT_COUNT || buffer.initial.empty() ||
            buffer.initial.size() % 16 != 0 || buffer.initial.size() > 65536) {
            error = "constant buffer '" + buffer.name + "' is malformed";
            return false;
        }
    }
    for (const VariableInfo& v : effect.variables) {
        if (v.elements > 65536) {
            error = "variable '" + v.name + "' is malformed";
            return false;
        }
        const std::uint64_t count = v.elements == 0 ? 1 : v.elements;
        bool ok = true;
        if (IsNumeric(v.kind)) {
            const bool shape = v.rows >= 1 && v.rows <= 4 && v.columns >= 1 && v.columns <= 4 &&
                               (v.kind == VariableKind::Matrix || v.rows == 1) &&
                               (v.kind != VariableKind::Scalar || v.columns == 1);
            ok = shape && static_cast<std::uint32_t>(v.type) <= 3 && v.buffer < effect.buffers.size() &&
                 v.offset % 4 == 0 &&
                 std::uint64_t{v.offset} + NumericExtent(v) <= effect.buffers[v.buffer].initial.size();
        } else if (v.kind == VariableKind::ShaderResource) {
            ok = v.slot + count <= D3D11_COMMONSHADER_INPUT_RESOURCE_SLOT_COUNT;
        } else if (v.kind == VariableKind::Sampler) {
            ok = v.slot + count <= D3D11_COMMONSHADER_SAMPLER_SLOT_COUNT;
        } else if (v.kind == VariableKind::UnorderedAccess) {
            ok = v.slot + count <= 64;
        }
        if (!ok) {
            error = "variable '" + v.name + "' is malformed";
            return false;
        }
    }
    for (const TechniqueInfo& technique : effect.techniques) {
        for (const PassInfo& pass : technique.passes) {
            bool ok = ValidStateReference(effect, pass.blend, VariableKind::Blend) &&
                      ValidStateReference(effect, pass.depthStencil, VariableKind::DepthStencil) &&
                      ValidStateReference(effect, pass.rasterizer, VariableKind::Rasterizer) &&
                      pass.inputs.size() <= 32 && pass.stencilRef <= 255;
            for (const d3d11sw::SignatureElement& element : pass.inputs) {
                ok = ok && static_cast<UINT>(element.type) <= 2 && element.componentCount >= 1 &&
                     element.componentCount <= 4;
            }
            if (!ok) {
                error = "pass '" + pass.name + "' is malformed";
                return false;
            }
        }
    }
    return true;
}

}  // namespace

std::vector<std::byte> WriteEffect(const EffectInfo& effect)
{
    Writer writer;
    writer.Raw(kMagic, 4);
    std::uint32_t version = kCompiledFormatVersion;
    writer.U32(version);
    Writer body;
    EffectInfo copy = effect;
    Transfer(body, copy);
    auto size = static_cast<std::uint32_t>(body.bytes.size());
    writer.U32(size);
    writer.bytes.insert(writer.bytes.end(), body.bytes.begin(), body.bytes.end());
    return std::move(writer.bytes);
}

bool ReadEffect(const void* data, std::size_t size, EffectInfo& effect, std::string& error)
{
    if (!data || size < 12) {
        error = "too short for a compiled effect";
        return false;
    }
    Reader header(static_cast<const std::byte*>(data), size);
    char magic[4] = {};
    header.Raw(magic, 4);
    std::uint32_t version = 0;
    std::uint32_t length = 0;
    header.U32(version);
    header.U32(length);
    if (std::memcmp(magic, kMagic, 4) != 0) {
        error = "not a compiled effect";
        return false;
    }
    if (version != kCompiledFormatVersion) {
        error = "compiled effect of version " + std::to_string(version) + ", this runtime reads version " +
                std::to_string(kCompiledFormatVersion);
        return false;
    }
    if (length != header.Left()) {
        error = "compiled effect is cut or has bytes beyond its end";
        return false;
    }
    Reader body(static_cast<const std::byte*>(data) + 12, length);
    EffectInfo read;
    if (!Transfer(body, read) || !body.AtEnd()) {
        error = "compiled effect is malformed";
        return false;
    }
    if (!Validate(read, error)) {
        return false;
    }
    effect = std::move(read);
    return true;
}

}  // namespace platform::effects
