#pragma once
// ID3D11InputLayout: where each vertex attribute comes from, offsets resolved.

#include "platform/d3d11/objects/DeviceChild.h"

#include <string>
#include <vector>

namespace d3d11sw {

struct LayoutElement {
    std::string semanticName;
    UINT semanticIndex = 0;
    DXGI_FORMAT format = DXGI_FORMAT_UNKNOWN;
    UINT slot = 0;
    UINT offset = 0;
    bool perInstance = false;
};

class InputLayout final : public DeviceChild<ID3D11InputLayout> {
public:
    InputLayout(ID3D11Device* device, std::vector<LayoutElement> elements)
        : DeviceChild(device), elements_(std::move(elements))
    {
    }
    const std::vector<LayoutElement>& Elements() const { return elements_; }

protected:
    void* Query(REFIID riid) override { return QueryFaces<ID3D11InputLayout, ID3D11DeviceChild>(this, riid); }

private:
    std::vector<LayoutElement> elements_;
};

// Checks the elements (readable vertex formats, slots, no semantic twice) and that every
// element of the input signature finds one of the same semantic with a compatible
// component type; extra elements are allowed.
HRESULT CreateInputLayout(ID3D11Device* device, const D3D11_INPUT_ELEMENT_DESC* elements, UINT elementCount,
                          const void* signature, SIZE_T signatureSize, ID3D11InputLayout** layout);

}  // namespace d3d11sw
