// Shared texture resources: one table entry and one file read per image, the folder of
// the executable, device loss, mip levels, counts and failures.

#include "tarnwick/dx11/ResourceManager.h"

#include "tarnwick/core/ErrorReport.h"
#include "tests/d3d11/DeviceFixture.h"
#include "tests/dx11/ImageFiles.h"
#include "tests/support/FileOpens.h"
#include "tests/support/LogCapture.h"
#include "tests/utils/ErrorText.h"

#include <unistd.h>

#include <cstdio>
#include <iterator>

namespace {

using qz::dx11::CreateRequiredResources;
using qz::dx11::GetTexture2DResource;
using qz::dx11::ReleaseCreatedResources;
using qz::dx11::Resource;
using qz::dx11::ResourceTable;
using qz::dx11::Texture2DResource;
using qz::test::ComPtr;
using qz::test::DeviceTest;
using qz::test::ErrorText;
using qz::test::LogCapture;
using qz::test::WritePng;

using Resources = DeviceTest;

Texture2DResource& AsTexture(Resource* resource) { return dynamic_cast<Texture2DResource&>(*resource); }

// The table's entry for a new image file, required once and created on the device.
Resource* CreatedImage(ResourceTable& table, const std::string& image, ID3D11Device* device)
{
    Resource* resource = GetTexture2DResource(table, image);
    resource->Require();
    EXPECT_EQ(S_OK, CreateRequiredResources(table, device));
    return resource;
}

TEST_F(Resources, MeshesSharingAnImageShareOneEntryReadOnce)
{
    const std::string image = WritePng("shared.png", 16, 16, 4);
    qz::test::FileOpens opens(image);
    ASSERT_TRUE(opens.Valid());
    ResourceTable table;
    Resource* first = GetTexture2DResource(table, image);
    Resource* second = GetTexture2DResource(table, image);
    ASSERT_EQ(first, second);
    EXPECT_EQ(1u, table.size());
    EXPECT_FALSE(first->IsLoaded());
    EXPECT_FALSE(first->IsCreated());
    first->Require();
    second->Require();
    EXPECT_EQ(2, first->GetRequireCount());

    ASSERT_EQ(S_OK, CreateRequiredResources(table, device.Get()));
    const ComPtr<ID3D11ShaderResourceView> view(AsTexture(first).GetTexture().GetShaderResourceView());
    ASSERT_EQ(S_OK, CreateRequiredResources(table, device.Get()));
    EXPECT_EQ(view.Get(), AsTexture(first).GetTexture().GetShaderResourceView()) << "created once";
    EXPECT_TRUE(first->IsLoaded());
    EXPECT_TRUE(first->IsCreated());
    EXPECT_EQ(1, opens.Take());
    EXPECT_EQ(5u, AsTexture(first).GetTexture().GetDesc().MipLevels);
}

TEST_F(Resources, DeviceRecreationUsesTheLevelsInMemory)
{
    const std::string image = WritePng("recreated.png", 8, 8, 3);
    ResourceTable table;
    Resource* resource = CreatedImage(table, image, device.Get());
    ASSERT_EQ(0, std::remove(image.c_str()));

    ReleaseCreatedResources(table);
    EXPECT_FALSE(resource->IsCreated());
    EXPECT_TRUE(resource->IsLoaded());
    EXPECT_EQ(nullptr, AsTexture(resource).GetTexture().GetTexture());
    context.Reset();
    device.Reset();

    ComPtr<ID3D11Device> second;
    ASSERT_EQ(S_OK, D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, nullptr, 0, D3D11_SDK_VERSION,
                                      second.ReleaseAndGetAddressOf(), nullptr, nullptr));
    ASSERT_EQ(S_OK, CreateRequiredResources(table, second.Get()));
    EXPECT_TRUE(resource->IsCreated());
    EXPECT_EQ(second.Get(), AsTexture(resource).GetTexture().GetDevice());

    // Only the memory goes: the texture stays.
    resource->FreeData();
    EXPECT_FALSE(resource->IsLoaded());
    EXPECT_TRUE(AsTexture(resource).GetLevels().empty());
    EXPECT_TRUE(resource->IsCreated());
}

TEST_F(Resources, RelativeImagesAreFoundNextToTheExecutable)
{
    char path[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", path, sizeof(path) - 1), 0);
    const std::string folder = std::string(path).substr(0, std::string(path).rfind('/') + 1);
    const std::string name = "beside_exe_" + std::to_string(getpid()) + ".png";
    WritePng(folder + name, 4, 4, 4);
    ASSERT_NE(0, access(name.c_str(), F_OK)) << "not in the working folder";

    ResourceTable table;
    Resource* resource = GetTexture2DResource(table, name);
    resource->Load();
    std::remove((folder + name).c_str());
    EXPECT_TRUE(resource->IsLoaded());
    EXPECT_EQ(3u, AsTexture(resource).GetLevels().size());

    Resource* missing = GetTexture2DResource(table, "nowhere.png");
    missing->Require();
    const std::string thrown = ErrorText([&] { CreateRequiredResources(table, device.Get()); });
    EXPECT_NE(std::string::npos,
              thrown.find("\nCannot load texture \"" + folder + "nowhere.png\": file does not exist"))
        << thrown;
    EXPECT_NE(std::string::npos, thrown.find("\nMethod: qz::dx11::TextureResource::Load\nFile: \"dx11\\ResourceManager\": "));

    // An absolute path is not looked for anywhere else.
    const std::string absent = folder + "absent_" + std::to_string(getpid()) + ".png";
    Texture2DResource absolute(absent);
    const std::string absentError = ErrorText([&] { absolute.Load(); });
    EXPECT_NE(std::string::npos, absentError.find("\nCannot load texture \"" + absent + "\": file does not exist"))
        << absentError;
}

TEST_F(Resources, UnrequireBelowZeroThrowsAndKeepsTheCount)
{
    ResourceTable table;
    Resource* resource = GetTexture2DResource(table, "counted.png");
    const std::string thrown = ErrorText([&] { resource->Unrequire(); });
    EXPECT_NE(std::string::npos, thrown.find("\nMethod: qz::dx11::Resource::Unrequire\n")) << thrown;
    EXPECT_NE(std::string::npos, thrown.find("\nReference count cannot be < 0"));
    EXPECT_EQ(0, resource->GetRequireCount());
    resource->Require();
    resource->Unrequire();
    EXPECT_EQ(0, resource->GetRequireCount());
}

// One level wider than any texture may be.
class TooWide : public Texture2DResource {
public:
    using Texture2DResource::Texture2DResource;
    void Load() override
    {
        const std::uint32_t width = D3D11_REQ_TEXTURE2D_U_OR_V_DIMENSION + 1;
        levels_.push_back({width, 1, std::make_unique<std::uint8_t[]>(width * 4)});
        loaded_ = true;
    }
};

TEST_F(Resources, NoLevelsMeansNoTextureAndNoDeviceCall)
{
    // A grey image is not read into levels: not loaded, and the create says so.
    LogCapture log;
    const std::string grey = WritePng("grey.png", 4, 4, 1);
    ResourceTable table;
    Resource* resource = GetTexture2DResource(table, grey);
    resource->Require();
    const std::string thrown = ErrorText([&] { CreateRequiredResources(table, device.Get()); });
    EXPECT_NE(std::string::npos, thrown.find("\nMethod: qz::dx11::Texture2DResource::Create\n")) << thrown;
    EXPECT_NE(std::string::npos, thrown.find("\nCould not create texture \"grey.png\"")) << thrown;
    EXPECT_EQ(std::string::npos, thrown.find("COM error message"));
    EXPECT_EQ(std::string::npos, log.Text().find("Creating Texture2D")) << "the device was not asked";
    EXPECT_FALSE(resource->IsLoaded());
    EXPECT_FALSE(resource->IsCreated());

    // Levels the device refuses: its reason is named, and nothing counts as created.
    TooWide wide("wide.png");
    wide.Load();
    const std::string wideError = ErrorText([&] { wide.Create(device.Get()); });
    EXPECT_NE(std::string::npos, wideError.find("\nCould not create texture \"wide.png\"\nCOM error message: "))
        << wideError;
    EXPECT_FALSE(wide.IsCreated());

    // Without a device at all.
    Texture2DResource empty("empty.png");
    EXPECT_NE(std::string::npos, ErrorText([&] { empty.Create(nullptr); }).find("Could not create texture \"empty.png\""));
}

// A resource that counts its creations and fails them with the result given.
class Counted : public Resource {
public:
    using Resource::Resource;
    HRESULT Create(ID3D11Device* device) override
    {
        ++creations;
        return FAILED(result) ? result : Resource::Create(device);
    }
    HRESULT result = S_OK;
    int creations = 0;
};

TEST_F(Resources, AFailingCreateIsLoggedWithItsNameAndEndsThePass)
{
    LogCapture log;
    ResourceTable table;
    for (const char* name : {"one", "two"}) {
        table[name] = std::make_unique<Counted>(name);
        table[name]->Require();
    }
    // The pass goes in the table's order, which the hashes decide: the first entry fails.
    auto& refused = dynamic_cast<Counted&>(*table.begin()->second);
    auto& after = dynamic_cast<Counted&>(*std::next(table.begin())->second);
    refused.result = E_OUTOFMEMORY;
    EXPECT_EQ(E_OUTOFMEMORY, CreateRequiredResources(table, device.Get()));
    EXPECT_NE(std::string::npos,
              log.Text().find("\n*** ERROR ***\nCould not create resource \"" + refused.GetName() +
                              "\"\nCOM error message: " + qz::core::ComErrorText(E_OUTOFMEMORY)))
        << log.Text();
    EXPECT_TRUE(refused.IsLoaded()) << "loaded by the default load before the create";
    EXPECT_FALSE(refused.IsCreated());
    EXPECT_EQ(0, after.creations) << "the failure ended the pass";
    EXPECT_FALSE(after.IsCreated());

    refused.result = S_OK;
    EXPECT_EQ(S_OK, CreateRequiredResources(table, device.Get()));
    EXPECT_TRUE(refused.IsCreated());
    EXPECT_TRUE(after.IsCreated());
    EXPECT_EQ(1, after.creations);
}

TEST_F(Resources, TheTableGivesBackTexturesWhenItGoes)
{
    const std::string image = WritePng("owned.png", 8, 4, 4);
    ID3D11Texture2D* texture = nullptr;
    {
        ResourceTable table;
        Resource* resource = CreatedImage(table, image, device.Get());
        texture = AsTexture(resource).GetTexture().GetTexture();
        texture->AddRef();
    }
    EXPECT_EQ(0u, texture->Release()) << "the table held the only other reference";
}

}  // namespace
