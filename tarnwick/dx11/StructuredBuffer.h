#pragma once
// A structured buffer of elements of type T (the stride is sizeof(T)) with an
// unordered-access view and a shader-resource view over all its elements, made when its
// bind flags ask for them. A staging description gets neither view and no extra bind
// flags.

#include "tarnwick/dx11/Buffer.h"
#include "tarnwick/dx11/ComRelease.h"

namespace qz::dx11 {

template <class T>
class StructuredBuffer : public Buffer {
public:
    StructuredBuffer() = default;
    StructuredBuffer(const StructuredBuffer&) = delete;
    ~StructuredBuffer() override
    {
        elementCount_ = 0;
        ReleaseAll();
    }

    void Release() override { ReleaseAll(); }

    // desc, when given, keeps its usage, CPU access and other flags; the structured flag,
    // size and stride are set here. Returns the first failing HRESULT.
    HRESULT Create(ID3D11Device* device, UINT count, const T* data = nullptr, const D3D11_BUFFER_DESC* desc = nullptr)
    {
        D3D11_BUFFER_DESC bufferDesc = desc ? *desc : D3D11_BUFFER_DESC{};
        if (bufferDesc.Usage != D3D11_USAGE_STAGING) {
            bufferDesc.BindFlags |= D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_UNORDERED_ACCESS;
        }
        bufferDesc.MiscFlags |= D3D11_RESOURCE_MISC_BUFFER_STRUCTURED;
        if (!FitsByteWidth(count, sizeof(T), bufferDesc.ByteWidth)) {
            return E_INVALIDARG;  // the size would wrap around
        }
        bufferDesc.StructureByteStride = sizeof(T);
        HRESULT result = Buffer::Create(device, data, bufferDesc);
        if (FAILED(result)) {
            return result;
        }
        if (desc_.BindFlags & D3D11_BIND_UNORDERED_ACCESS) {
            D3D11_UNORDERED_ACCESS_VIEW_DESC view{};
            view.Format = DXGI_FORMAT_UNKNOWN;
            view.ViewDimension = D3D11_UAV_DIMENSION_BUFFER;
            view.Buffer = {0, count, 0};
            result = device->CreateUnorderedAccessView(buffer_, &view, &unorderedAccessView_);
            if (FAILED(result)) {
                return result;
            }
        }
        elementCount_ = count;
        if (desc_.BindFlags & D3D11_BIND_SHADER_RESOURCE) {
            D3D11_SHADER_RESOURCE_VIEW_DESC view{};
            view.Format = DXGI_FORMAT_UNKNOWN;
            view.ViewDimension = D3D11_SRV_DIMENSION_BUFFER;
            view.Buffer.FirstElement = 0;
            view.Buffer.NumElements = count;
            result = device->CreateShaderResourceView(buffer_, &view, &shaderResourceView_);
            if (FAILED(result)) {
                return result;
            }
        }
        return S_OK;
    }

    UINT GetElementCount() const { return elementCount_; }
    ID3D11UnorderedAccessView* GetUnorderedAccessView() const { return unorderedAccessView_; }
    ID3D11ShaderResourceView* GetShaderResourceView() const { return shaderResourceView_; }

private:
    void ReleaseAll()
    {
        Buffer::Release();
        SafeRelease(unorderedAccessView_);
        SafeRelease(shaderResourceView_);
    }

    UINT elementCount_ = 0;
    ID3D11UnorderedAccessView* unorderedAccessView_ = nullptr;
    ID3D11ShaderResourceView* shaderResourceView_ = nullptr;
};

}  // namespace qz::dx11
