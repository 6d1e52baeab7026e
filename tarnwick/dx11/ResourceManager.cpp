#include "tarnwick/dx11/ResourceManager.h"

#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/dx11/TextureIO.h"
#include "tarnwick/utils/FileUtils.h"
#include "platform/win/Files.h"

namespace qz::dx11 {

HRESULT Resource::Create(ID3D11Device*)
{
    created_ = true;
    return S_OK;
}

void Resource::Unrequire()
{
    if (requireCount_ <= 0) {
        QZ_THROW("qz::dx11::Resource::Unrequire", "Reference count cannot be < 0");
    }
    --requireCount_;
}

void TextureResource::Load()
{
    const std::string path = utils::FindFileOrBesideExecutable(GetName());
    if (!platform::win::FileExists(path)) {
        QZ_THROW("qz::dx11::TextureResource::Load", "Cannot load texture \"", path, "\": file does not exist");
    }
    TextureIO::LoadFromFile(levels_, path);
    TextureIO::GenerateMipChain(levels_);
    // An image that could not be read was logged; the next pass tries the file again.
    loaded_ = !levels_.empty();
}

void Texture2DResource::FreeData()
{
    levels_.clear();
    loaded_ = false;
}

HRESULT Texture2DResource::Create(ID3D11Device* device)
{
    if (levels_.empty()) {
        QZ_THROW("qz::dx11::Texture2DResource::Create", "Could not create texture \"", GetName(), "\"");
    }
    const HRESULT result = texture_.CreateFromMipChain(device, levels_);
    if (FAILED(result)) {
        QZ_THROW_COM("qz::dx11::Texture2DResource::Create", result, "Could not create texture \"", GetName(), "\"");
    }
    created_ = true;
    return S_OK;
}

void Texture2DResource::Release()
{
    texture_.Release();
    created_ = false;
}

Resource* GetTexture2DResource(ResourceTable& table, const std::string& fileName)
{
    std::unique_ptr<Resource>& entry = table[fileName];
    if (!entry) {
        entry = std::make_unique<Texture2DResource>(fileName);
    }
    return entry.get();
}

HRESULT CreateRequiredResources(ResourceTable& table, ID3D11Device* device)
{
    for (auto& [name, resource] : table) {
        if (resource->GetRequireCount() < 1 || resource->IsCreated()) {
            continue;
        }
        if (!resource->IsLoaded()) {
            resource->Load();
        }
        const HRESULT result = resource->Create(device);
        if (FAILED(result)) {
            auto message = core::Logger::BeginMessage(core::LogLevelErrorReport);
            message.SetType(core::LogTypeError);
            message << "Could not create resource \"" << name << "\"\nCOM error message: " << core::ComErrorText(result);
            return result;
        }
    }
    return S_OK;
}

void ReleaseCreatedResources(ResourceTable& table)
{
    for (auto& [name, resource] : table) {
        if (resource->IsCreated()) {
            resource->Release();
        }
    }
}

}  // namespace qz::dx11
