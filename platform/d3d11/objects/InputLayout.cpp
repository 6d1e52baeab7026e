#include "platform/d3d11/objects/InputLayout.h"

#include "platform/d3d11/com/HandOut.h"
#include "platform/d3d11/formats/FormatCodec.h"
#include "platform/d3d11/formats/FormatLayout.h"
#include "platform/d3d11/kernels/InputSignature.h"

#include <array>

namespace d3d11sw {
namespace {

constexpr UINT kMaxElements = 32;

bool ResolveElements(const D3D11_INPUT_ELEMENT_DESC* elements, UINT count, std::vector<LayoutElement>& resolved)
{
    std::array<UINT, D3D11_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT> slotEnds{};
    for (UINT i = 0; i < count; ++i) {
        const D3D11_INPUT_ELEMENT_DESC& element = elements[i];
        if (!element.SemanticName || !*element.SemanticName || !CodecOf(element.Format).load ||
            element.InputSlot >= D3D11_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT ||
            element.InputSlotClass > D3D11_INPUT_PER_INSTANCE_DATA ||
            (element.InputSlotClass == D3D11_INPUT_PER_VERTEX_DATA && element.InstanceDataStepRate != 0)) {
            return false;
        }
        for (const LayoutElement& earlier : resolved) {
            if (earlier.semanticIndex == element.SemanticIndex && SameSemantic(earlier.semanticName, element.SemanticName)) {
                return false;
            }
        }
        LayoutElement entry;
        entry.semanticName = element.SemanticName;
        entry.semanticIndex = element.SemanticIndex;
        entry.format = element.Format;
        entry.slot = element.InputSlot;
        entry.offset =
            element.AlignedByteOffset == D3D11_APPEND_ALIGNED_ELEMENT ? slotEnds[element.InputSlot] : element.AlignedByteOffset;
        entry.perInstance = element.InputSlotClass == D3D11_INPUT_PER_INSTANCE_DATA;
        slotEnds[element.InputSlot] = entry.offset + LayoutOf(element.Format).bytes;
        resolved.push_back(std::move(entry));
    }
    return true;
}

bool Compatible(ComponentType signature, DXGI_FORMAT format) { return CodecOf(format).type == signature; }

bool CoversSignature(const std::vector<LayoutElement>& elements, const std::vector<SignatureElement>& signature)
{
    for (const SignatureElement& wanted : signature) {
        bool found = false;
        for (const LayoutElement& element : elements) {
            if (element.semanticIndex == wanted.semanticIndex &&
                SameSemantic(wanted.semanticName, element.semanticName.c_str())) {
                found = Compatible(wanted.type, element.format);
                break;
            }
        }
        if (!found) {
            return false;
        }
    }
    return true;
}

}  // namespace

HRESULT CreateInputLayout(ID3D11Device* device, const D3D11_INPUT_ELEMENT_DESC* elements, UINT elementCount,
                          const void* signature, SIZE_T signatureSize, ID3D11InputLayout** layout)
{
    if (layout) {
        *layout = nullptr;
    }
    std::vector<SignatureElement> wanted;
    std::vector<LayoutElement> resolved;
    if ((elementCount > 0 && !elements) || elementCount > kMaxElements ||
        !DecodeInputSignature(signature, signatureSize, wanted) || !ResolveElements(elements, elementCount, resolved) ||
        !CoversSignature(resolved, wanted)) {
        return E_INVALIDARG;
    }
    if (!layout) {
        return S_FALSE;
    }
    return HandOut(new InputLayout(device, std::move(resolved)), S_OK, layout);
}

}  // namespace d3d11sw
