// Constant-buffer layout by the HLSL packing rules, register assignment for buffers,
// textures, views and samplers, and the initial values of numeric variables.
//
// Packing: scalars and vectors go at the next free 4-byte offset unless they would
// cross a 16-byte register, then at the next register; arrays and matrices start at a
// register and give every element whole registers, but the last element only as many
// bytes as it uses, so what follows may share its register.

#include "platform/effects/EffectParser.h"
#include "platform/effects/Numbers.h"

#include <algorithm>
#include <cstring>

namespace platform::effects {
namespace {

constexpr std::uint32_t kMaxBufferBytes = 4096 * 16;

std::uint32_t RoundUp16(std::uint32_t value) { return (value + 15u) & ~15u; }

// The flat list of values of an initializer: literals, true/false, float4(...) and
// { ... } lists, with unary minus.
bool Flatten(const std::vector<FxToken>& tokens, std::size_t& i, std::vector<double>& values, int depth)
{
    if (i >= tokens.size() || depth > 16 || values.size() > 65536) {
        return false;
    }
    const FxToken& token = tokens[i];
    if (token.Is("-") || token.Is("+")) {
        ++i;
        const std::size_t first = values.size();
        if (!Flatten(tokens, i, values, depth + 1)) {
            return false;
        }
        if (token.Is("-")) {
            for (std::size_t v = first; v < values.size(); ++v) {
                values[v] = -values[v];
            }
        }
        return true;
    }
    const bool constructor = token.kind == FxKind::Identifier && i + 1 < tokens.size() && tokens[i + 1].Is("(");
    if (token.Is("{") || constructor) {
        const char* close = constructor ? ")" : "}";
        i += constructor ? 2 : 1;
        if (i < tokens.size() && tokens[i].Is(close)) {
            ++i;
            return true;
        }
        for (;;) {
            if (!Flatten(tokens, i, values, depth + 1) || i >= tokens.size()) {
                return false;
            }
            if (tokens[i].Is(close)) {
                ++i;
                return true;
            }
            if (!tokens[i].Is(",")) {
                return false;
            }
            ++i;
        }
    }
    if (token.IsWord("true") || token.IsWord("false")) {
        values.push_back(token.IsWord("true") ? 1.0 : 0.0);
        ++i;
        return true;
    }
    NumberValue number;
    if (token.kind != FxKind::Number || !ParseNumber(token.text, number)) {
        return false;
    }
    values.push_back(number.value);
    ++i;
    return true;
}

void Store(std::vector<std::byte>& buffer, std::uint32_t offset, BaseType type, double value)
{
    std::uint32_t bits = 0;
    switch (type) {
    case BaseType::Float: {
        const auto single = static_cast<float>(std::clamp(value, -3.4028234663852886e38, 3.4028234663852886e38));
        std::memcpy(&bits, &single, 4);
        break;
    }
    case BaseType::Int: bits = static_cast<std::uint32_t>(SaturateToInt(value)); break;
    case BaseType::Uint: bits = SaturateToUint(value); break;
    case BaseType::Bool: bits = value != 0.0 ? 1u : 0u; break;
    }
    std::memcpy(buffer.data() + offset, &bits, 4);
}

}  // namespace

void EffectParser::LayOutBuffers()
{
    effect_.buffers.clear();
    for (std::size_t b = 0; b < buffers_.size(); ++b) {
        std::uint32_t cursor = 0;
        std::uint32_t end = 0;
        for (std::size_t index : buffers_[b].variables) {
            PendingVariable& variable = variables_[index];
            VariableInfo& info = variable.info;
            const std::uint32_t extent = NumericExtent(info);
            const bool wholeRegisters = info.elements > 0 || info.kind == VariableKind::Matrix;
            std::uint32_t offset = 0;
            if (variable.explicitOffset >= 0) {
                offset = static_cast<std::uint32_t>(variable.explicitOffset);
                if ((wholeRegisters && offset % 16 != 0) || (!wholeRegisters && offset % 16 + extent > 16)) {
                    cursor_.Error(variable.where, message::kBadRegister,
                                  "'" + info.name + "': packoffset puts it across a register boundary");
                }
                for (std::size_t other : buffers_[b].variables) {
                    const VariableInfo& placed = variables_[other].info;
                    if (other < index && offset < placed.offset + NumericExtent(placed) && placed.offset < offset + extent) {
                        cursor_.Error(variable.where, message::kBadRegister,
                                      "'" + info.name + "' overlaps '" + placed.name + "'");
                        break;
                    }
                }
            } else {
                offset = cursor;
                if (wholeRegisters || offset % 16 + extent > 16) {
                    offset = RoundUp16(offset);
                }
            }
            info.offset = offset;
            cursor = std::max(cursor, offset + extent);
            end = std::max(end, offset + extent);
            if (end > kMaxBufferBytes) {
                cursor_.Error(variable.where, message::kBadRegister,
                              "constant buffer '" + buffers_[b].name + "' is larger than 4096 registers");
                return;
            }
        }
        ConstantBufferInfo buffer;
        buffer.name = buffers_[b].name;
        buffer.initial.assign(std::max<std::uint32_t>(16, RoundUp16(end)), std::byte{0});
        effect_.buffers.push_back(std::move(buffer));
    }
}

void EffectParser::AssignSlots()
{
    struct Claim {
        int explicitSlot;
        std::uint32_t count;
        std::uint32_t* slot;
        const FxToken* where;
        const std::string* name;
    };
    auto assign = [&](std::vector<Claim> claims, std::uint32_t limit, const char* what) {
        std::vector<bool> used(limit, false);
        auto take = [&](const Claim& claim, std::uint32_t first) {
            for (std::uint32_t s = first; s < first + claim.count; ++s) {
                used[s] = true;
            }
            *claim.slot = first;
        };
        auto isFree = [&](std::uint32_t first, std::uint32_t count) {
            if (first + count > limit) {
                return false;
            }
            return std::none_of(used.begin() + first, used.begin() + first + count, [](bool u) { return u; });
        };
        for (const Claim& claim : claims) {
            if (claim.explicitSlot < 0) {
                continue;
            }
            const auto first = static_cast<std::uint32_t>(claim.explicitSlot);
            if (!isFree(first, claim.count)) {
                cursor_.Error(*claim.where, message::kBadRegister,
                              "'" + *claim.name + "': register is taken or beyond the " + std::to_string(limit) + " " +
                                  what + " slots");
                continue;
            }
            take(claim, first);
        }
        for (const Claim& claim : claims) {
            if (claim.explicitSlot >= 0) {
                continue;
            }
            std::uint32_t first = 0;
            while (first < limit && !isFree(first, claim.count)) {
                ++first;
            }
            if (first >= limit) {
                cursor_.Error(*claim.where, message::kBadRegister,
                              "'" + *claim.name + "': more than " + std::to_string(limit) + " " + what + " slots");
                continue;
            }
            take(claim, first);
        }
    };
    std::vector<Claim> buffers;
    for (std::size_t b = 0; b < buffers_.size() && b < effect_.buffers.size(); ++b) {
        buffers.push_back({buffers_[b].explicitSlot, 1, &effect_.buffers[b].slot, &buffers_[b].where, &buffers_[b].name});
    }
    assign(std::move(buffers), D3D11_COMMONSHADER_CONSTANT_BUFFER_API_SLOT_COUNT, "constant buffer");
    auto claimsOf = [&](VariableKind kind) {
        std::vector<Claim> claims;
        for (PendingVariable& variable : variables_) {
            if (variable.info.kind == kind) {
                const std::uint32_t count = variable.info.elements == 0 ? 1 : variable.info.elements;
                claims.push_back({variable.explicitSlot, count, &variable.info.slot, &variable.where, &variable.info.name});
            }
        }
        return claims;
    };
    assign(claimsOf(VariableKind::ShaderResource), D3D11_COMMONSHADER_INPUT_RESOURCE_SLOT_COUNT, "shader resource");
    assign(claimsOf(VariableKind::Sampler), D3D11_COMMONSHADER_SAMPLER_SLOT_COUNT, "sampler");
    assign(claimsOf(VariableKind::UnorderedAccess), 64, "unordered-access");
}

void EffectParser::WriteInitialValues()
{
    for (PendingVariable& variable : variables_) {
        if (variable.initializer.empty() || !IsNumeric(variable.info.kind) ||
            variable.info.buffer >= effect_.buffers.size()) {
            continue;
        }
        const VariableInfo& info = variable.info;
        std::vector<double> values;
        std::size_t i = 0;
        if (!Flatten(variable.initializer, i, values, 0) || i != variable.initializer.size()) {
            cursor_.Error(variable.initializer[0], message::kSyntax,
                          "'" + info.name + "': initial value must be made of literals");
            continue;
        }
        const std::uint32_t elements = info.elements == 0 ? 1 : info.elements;
        const std::size_t needed = std::size_t{elements} * info.rows * info.columns;
        if (values.size() == 1 && info.elements == 0) {
            values.assign(needed, values[0]);
        }
        if (values.size() != needed) {
            cursor_.Error(variable.initializer[0], message::kSyntax,
                          "'" + info.name + "': " + std::to_string(values.size()) + " initial values for " +
                              std::to_string(needed) + " components");
            continue;
        }
        std::vector<std::byte>& bytes = effect_.buffers[info.buffer].initial;
        std::size_t next = 0;
        for (std::uint32_t e = 0; e < elements; ++e) {
            for (std::uint32_t r = 0; r < info.rows; ++r) {
                for (std::uint32_t c = 0; c < info.columns; ++c) {
                    Store(bytes, ComponentOffset(info, e, r, c), info.type, values[next++]);
                }
            }
        }
    }
}

}  // namespace platform::effects
