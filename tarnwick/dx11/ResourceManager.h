#pragma once
// Device resources shared by name: reference-counted by their users, loaded into memory
// once, created on the device when one exists and released with it. The only concrete
// kind is an image file as a texture with its mip chain.

#include "tarnwick/dx11/ImageLevel.h"
#include "tarnwick/dx11/Texture2D.h"

#include <memory>
#include <string>
#include <unordered_map>

namespace qz::dx11 {

class Resource {
public:
    explicit Resource(std::string name) : name_(std::move(name)) {}
    Resource(const Resource&) = delete;
    Resource& operator=(const Resource&) = delete;
    virtual ~Resource() = default;

    // Puts the CPU data into memory.
    virtual void Load() { loaded_ = true; }
    virtual void FreeData() { loaded_ = false; }
    // Makes the GPU object from the data in memory.
    virtual HRESULT Create(ID3D11Device* device);
    // Gives up the GPU object; the data stays in memory for the next device.
    virtual void Release() { created_ = false; }

    void Require() { ++requireCount_; }
    // Throws at 0, leaving the count as it is.
    void Unrequire();

    bool IsCreated() const { return created_; }
    bool IsLoaded() const { return loaded_; }
    int GetRequireCount() const { return requireCount_; }
    const std::string& GetName() const { return name_; }

protected:
    bool created_ = false;
    bool loaded_ = false;

private:
    int requireCount_ = 0;
    std::string name_;
};

// The levels of an image file, largest first.
class TextureResource : public Resource {
public:
    using Resource::Resource;

    // The name is the image path; a relative one that does not exist from the current
    // folder is looked for next to the executable. Throws when the file is in neither
    // place; an image that cannot be read leaves no levels and the resource unloaded.
    void Load() override;

    const ImageLevels& GetLevels() const { return levels_; }

protected:
    ImageLevels levels_;
};

class Texture2DResource : public TextureResource {
public:
    using TextureResource::TextureResource;

    void FreeData() override;
    // An RGBA8 texture with one level per image; throws when there are no levels or the
    // device refuses it.
    HRESULT Create(ID3D11Device* device) override;
    void Release() override;

    const Texture2D& GetTexture() const { return texture_; }

private:
    Texture2D texture_;
};

// Resources by name, owned by the table.
using ResourceTable = std::unordered_map<std::string, std::unique_ptr<Resource>>;

// The table's entry for the image file, added (count 0, nothing loaded) when absent.
Resource* GetTexture2DResource(ResourceTable& table, const std::string& fileName);

// Loads and creates every required entry that is not created yet. The first failing
// result ends the pass and is returned, after it was logged as an error naming the
// resource; exceptions of the resources pass through.
HRESULT CreateRequiredResources(ResourceTable& table, ID3D11Device* device);
// Releases every created entry.
void ReleaseCreatedResources(ResourceTable& table);

}  // namespace qz::dx11
