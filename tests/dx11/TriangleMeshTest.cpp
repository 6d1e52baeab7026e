// Triangle meshes from small model files written here (OBJ with materials and PNG
// textures, a COLLADA node hierarchy, an assimp binary scene for a material without a
// colour): their matrices, vertices, triangles, shared textures and drawn pixels, and the
// failures of import and textures.

#include "tarnwick/dx11/TriangleMesh.h"

#include "src/SceneEffect.h"
#include "tarnwick/dx11/ComRelease.h"
#include "tarnwick/dx11/ResourceManager.h"
#include "tarnwick/utils/FileUtils.h"
#include "tests/dx11/ImageFiles.h"
#include "tests/support/EngineDeviceFixture.h"
#include "tests/support/LogCapture.h"
#include "tests/utils/ErrorText.h"

#include <assimp/Exporter.hpp>
#include <assimp/scene.h>

#include <array>
#include <filesystem>
#include <memory>

namespace {

using DirectX::XMFLOAT4X4;
using qz::dx11::MeshVertex;
using qz::dx11::TriangleMesh;

constexpr unsigned kTriangulate = 0x8;
constexpr unsigned kTriangulateAndNormals = 0x28;
// The light of scene.fx on a face turned towards the viewer (normal (0, 0, -1)).
constexpr float kFrontLight = 0.3f + 0.7f * 0.48f;

std::string Write(const std::string& path, const std::string& text)
{
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent);
    std::ofstream(path) << text;
    return path;
}

// An axis-aligned box of the extent around the centre, as 8 vertices and 6 quads.
std::string BoxObj(const std::string& path, const float extent[3], const float centre[3])
{
    std::string text;
    for (int corner = 0; corner < 8; ++corner) {
        text += "v";
        for (int axis = 0; axis < 3; ++axis) {
            const float sign = (corner >> axis) & 1 ? 0.5f : -0.5f;
            text += " " + std::to_string(centre[axis] + sign * extent[axis]);
        }
        text += "\n";
    }
    text += "f 1 2 4 3\nf 5 6 8 7\nf 1 2 6 5\nf 3 4 8 7\nf 1 3 7 5\nf 2 4 8 6\n";
    return Write(path, text);
}

// The texture coordinates (top left, top right, bottom right, bottom left) and the normal
// that QuadObj refers to.
const std::string kQuadAttributes = "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 -1\n";

// A quad from (x0, y0) to (x1, y1) at depth z, its vertices numbered from firstVertex,
// facing -z, with the image's top row at y1.
std::string QuadObj(float x0, float y0, float x1, float y1, float z, int firstVertex)
{
    const auto v = [&](float x, float y) {
        return "v " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(z) + "\n";
    };
    const auto at = [&](int i, int t) {
        return " " + std::to_string(firstVertex + i) + "/" + std::to_string(t) + "/1";
    };
    return v(x0, y0) + v(x1, y0) + v(x1, y1) + v(x0, y1) + "f" + at(0, 4) + at(3, 1) + at(2, 2) + at(1, 3) + "\n";
}

// A 8x8 image of four 4x4 blocks: red, green over blue, white.
void WriteQuadrants(const std::string& path)
{
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const int block = (y / 4) * 2 + x / 4;
            const std::uint8_t colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
            pixels.insert(pixels.end(), {colours[block][0], colours[block][1], colours[block][2], 255});
        }
    }
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    qz::test::WritePng(path, 8, 8, 4, pixels);
}

// Three vertices and the faces given, in a material without a diffuse colour, which
// the text formats never leave out; the binary form keeps indices as they are, also a
// material index past the one material, which has the diffuse texture when one is named.
std::string WriteUncolouredTriangles(const std::string& path, const std::vector<std::array<unsigned, 3>>& faces,
                                     unsigned materialIndex = 0, const std::string& texture = "")
{
    aiScene scene;
    scene.mRootNode = new aiNode();
    scene.mNumMaterials = 1;
    scene.mMaterials = new aiMaterial*[1]{new aiMaterial()};
    if (!texture.empty()) {
        const aiString name(texture);
        scene.mMaterials[0]->AddProperty(&name, AI_MATKEY_TEXTURE_DIFFUSE(0));
    }
    scene.mNumMeshes = 1;
    aiMesh* mesh = new aiMesh();
    scene.mMeshes = new aiMesh*[1]{mesh};
    mesh->mNumVertices = 3;
    mesh->mVertices = new aiVector3D[3]{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    mesh->mNumFaces = static_cast<unsigned>(faces.size());
    mesh->mFaces = new aiFace[faces.size()];
    for (std::size_t f = 0; f < faces.size(); ++f) {
        mesh->mFaces[f].mNumIndices = 3;
        mesh->mFaces[f].mIndices = new unsigned[3]{faces[f][0], faces[f][1], faces[f][2]};
    }
    mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    mesh->mMaterialIndex = materialIndex;
    scene.mRootNode->mNumMeshes = 1;
    scene.mRootNode->mMeshes = new unsigned[1]{0};
    Assimp::Exporter exporter;
    EXPECT_EQ(aiReturn_SUCCESS, exporter.Export(&scene, "assbin", path)) << exporter.GetErrorString();
    return path;
}

// The table names of the mesh's textures, materials without one left out.
std::vector<std::string> TexturesOf(const TriangleMesh& mesh)
{
    std::vector<std::string> names;
    for (const std::string& name : mesh.GetTextureNames()) {
        if (!name.empty()) names.push_back(name);
    }
    return names;
}

XMFLOAT4X4 Identity()
{
    XMFLOAT4X4 m;
    DirectX::XMStoreFloat4x4(&m, DirectX::XMMatrixIdentity());
    return m;
}

DirectX::XMVECTOR Transform(float x, float y, float z, const XMFLOAT4X4& first, const XMFLOAT4X4& second)
{
    const DirectX::XMMATRIX both =
        DirectX::XMMatrixMultiply(DirectX::XMLoadFloat4x4(&first), DirectX::XMLoadFloat4x4(&second));
    return DirectX::XMVector3TransformCoord(DirectX::XMVectorSet(x, y, z, 1.0f), both);
}

class TriangleMeshTest : public qz::test::EngineDeviceTest {
protected:
    void TearDown() override
    {
        qz::dx11::SafeRelease(MeshInputLayout);
        scene.reset();
        EngineDeviceTest::TearDown();
    }

    // The buffer's bytes as elements of T, through a staging copy.
    template <class T>
    std::vector<T> Read(const qz::dx11::Buffer& buffer)
    {
        D3D11_BUFFER_DESC desc = buffer.GetDesc();
        desc.Usage = D3D11_USAGE_STAGING;
        desc.BindFlags = 0;
        desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
        d3d11sw::ComPtr<ID3D11Buffer> staging;
        EXPECT_EQ(S_OK, device->CreateBuffer(&desc, nullptr, staging.ReleaseAndGetAddressOf()));
        context->CopyResource(staging.Get(), buffer.GetBuffer());
        D3D11_MAPPED_SUBRESOURCE mapped{};
        EXPECT_EQ(S_OK, context->Map(staging.Get(), 0, D3D11_MAP_READ, 0, &mapped));
        std::vector<T> values(desc.ByteWidth / sizeof(T));
        std::memcpy(values.data(), mapped.pData, values.size() * sizeof(T));
        context->Unmap(staging.Get(), 0);
        return values;
    }

    // The scene effect and the mesh input layout, as the application makes them.
    void LoadScene()
    {
        scene = std::make_unique<SceneEffect>();
        scene->Create(device);
        MeshInputLayout = scene->CreateMeshInputLayout(device);
    }

    // Draws the mesh with the identity as world and view-projection into a 64x64 target.
    std::vector<std::uint32_t> Draw(const TriangleMesh& mesh)
    {
        const float black[4] = {0, 0, 0, 1};
        MakeTarget(64, 64, black);
        XMFLOAT4X4 world = Identity();
        mesh.Render(context, world, Identity(), scene->MeshParameters(false, false));
        return Pixels();
    }

    // The full-size image of a texture in the resource table.
    static const qz::dx11::ImageLevel& FirstLevel(const std::string& name)
    {
        return dynamic_cast<const qz::dx11::TextureResource&>(*Resources().at(name)).GetLevels().at(0);
    }

    static int Channel(std::uint32_t pixel, int channel) { return static_cast<int>((pixel >> (8 * channel)) & 0xFF); }

    static void ExpectLitColour(std::uint32_t pixel, float r, float g, float b, const char* where)
    {
        EXPECT_NEAR(r * kFrontLight * 255.0f, Channel(pixel, 0), 1.0) << where;
        EXPECT_NEAR(g * kFrontLight * 255.0f, Channel(pixel, 1), 1.0) << where;
        EXPECT_NEAR(b * kFrontLight * 255.0f, Channel(pixel, 2), 1.0) << where;
    }

    std::unique_ptr<SceneEffect> scene;
};

TEST_F(TriangleMeshTest, ModelsAreScaledToTheUnitCubeAndSetOnItsFloor)
{
    struct Case {
        float extent[3];
        float centre[3];
        int largestAxis;
    };
    const Case cases[] = {
        {{2, 4, 1}, {3, -1, 5}, 1},  // scaled by 1/4, already on the floor
        {{4, 2, 1}, {0, 0, 0}, 0},   // the floor moves it down by 1 model unit
        {{1, 1, 3}, {-2, 7, 0.5f}, 2},
    };
    for (const Case& c : cases) {
        TriangleMesh mesh(BoxObj("box.obj", c.extent, c.centre), kTriangulate);
        const float low[3] = {c.centre[0] - c.extent[0] / 2, c.centre[1] - c.extent[1] / 2, c.centre[2] - c.extent[2] / 2};
        const float high[3] = {c.centre[0] + c.extent[0] / 2, c.centre[1] + c.extent[1] / 2, c.centre[2] + c.extent[2] / 2};
        const XMFLOAT4X4 none = Identity();
        const DirectX::XMVECTOR lowNormal = Transform(low[0], low[1], low[2], mesh.GetNormalizingMatrix(), none);
        const DirectX::XMVECTOR highNormal = Transform(high[0], high[1], high[2], mesh.GetNormalizingMatrix(), none);
        const float largest = c.extent[c.largestAxis];
        for (int axis = 0; axis < 3; ++axis) {
            EXPECT_NEAR(-c.extent[axis] / largest / 2, lowNormal[axis], 1e-5f) << "axis " << axis;
            EXPECT_NEAR(c.extent[axis] / largest / 2, highNormal[axis], 1e-5f) << "axis " << axis;
        }
        const DirectX::XMVECTOR lowOnFloor =
            Transform(low[0], low[1], low[2], mesh.GetFloorMatrix(), mesh.GetNormalizingMatrix());
        EXPECT_NEAR(-0.5f, lowOnFloor[1], 1e-5f) << "extent " << c.extent[0] << "x" << c.extent[1];
        EXPECT_NEAR(lowNormal[0], lowOnFloor[0], 1e-5f);
        EXPECT_NEAR(lowNormal[2], lowOnFloor[2], 1e-5f);
    }
}

TEST_F(TriangleMeshTest, ModelsWithoutAFiniteSizeKeepIdentityMatricesWithAWarning)
{
    const std::string empty = Write("empty.obj", "o empty\n# an object without vertices, long enough to read\ng g\n");
    const std::string infinite = Write("infinite.obj", "v 1e39 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\n");
    // A finite size far out on one axis: the centre overflows there.
    const std::string farX = Write("far_x.obj", "v 3e38 0 0\nv 3e38 1 0\nv 3e38 1 1\nf 1 2 3\n");
    const std::string farY = Write("far_y.obj", "v 0 3e38 0\nv 1 3e38 0\nv 1 3e38 1\nf 1 2 3\n");
    const std::string farZ = Write("far_z.obj", "v 0 0 3e38\nv 1 0 3e38\nv 1 1 3e38\nf 1 2 3\n");
    for (const std::string& file : {empty, infinite, farX, farY, farZ}) {
        qz::test::LogCapture log;
        TriangleMesh mesh(file, kTriangulate);
        const XMFLOAT4X4 identity = Identity();
        EXPECT_EQ(0, std::memcmp(&identity, &mesh.GetNormalizingMatrix(), sizeof(identity))) << file;
        EXPECT_EQ(0, std::memcmp(&identity, &mesh.GetFloorMatrix(), sizeof(identity))) << file;
        EXPECT_NE(std::string::npos, log.Text().find("WARNING")) << log.Text();
        EXPECT_NE(std::string::npos, log.Text().find("Model \"" + file + "\" has no vertices or no finite size"));
        EXPECT_EQ(S_OK, mesh.Create());
    }
}

TEST_F(TriangleMeshTest, AFileThatCannotBeImportedIsAnErrorWithTheImportersReason)
{
    Write("short.obj", "v 1");
    const struct {
        const char* file;
        const char* reason;
    } cases[] = {{"absent.obj", "Unable to open file \"absent.obj\"."}, {"short.obj", "OBJ-file is too small."}};
    for (const auto& c : cases) {
        const std::string error = qz::test::ErrorText([&] { TriangleMesh mesh(c.file, kTriangulate); });
        EXPECT_NE(std::string::npos, error.find("\nMethod: qz::dx11::TriangleMesh::TriangleMesh\nFile: \"dx11\\TriangleMesh\": "))
            << error;
        EXPECT_NE(std::string::npos, error.find("\nCould not import \"" + std::string(c.file) + "\": " + c.reason))
            << error;
    }
}

TEST_F(TriangleMeshTest, VerticesTakeTheirOwnColourElseTheMaterialsElseWhite)
{
    Write("colours.mtl", "newmtl blue\nKd 0.2 0.4 0.6\n");
    const std::string own = Write("own.obj", "mtllib colours.mtl\nv 0 0 0 1 0 0\nv 1 0 0 0 1 0\nv 1 1 0 0 0 1\n"
                                             "usemtl blue\nf 1 2 3\n");
    const std::string material = Write("material.obj", "mtllib colours.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nvt 0.25 0.75\n"
                                                       "vn 0 0 -1\nusemtl blue\nf 1/1/1 2/1/1 3/1/1\n");
    const std::string white = WriteUncolouredTriangles("white.assbin", {{0, 1, 2}});
    const std::string noMaterial = WriteUncolouredTriangles("nomaterial.assbin", {{0, 1, 2}}, 1);
    struct Case {
        std::string file;
        float colours[3][4];
        float normal[3];
        float texCoord[2];
    };
    const Case cases[] = {
        {own, {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}}, {0, 0, 0}, {0, 0}},
        {material, {{0.2f, 0.4f, 0.6f, 1}, {0.2f, 0.4f, 0.6f, 1}, {0.2f, 0.4f, 0.6f, 1}}, {0, 0, -1}, {0.25f, 0.75f}},
        {white, {{1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}}, {0, 0, 0}, {0, 0}},
        {noMaterial, {{1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}}, {0, 0, 0}, {0, 0}},
    };
    for (const Case& c : cases) {
        TriangleMesh mesh(c.file, kTriangulate);
        ASSERT_EQ(S_OK, mesh.Create());
        ASSERT_EQ(1u, mesh.GetVertexBuffers().size());
        EXPECT_EQ(48u, mesh.GetVertexBuffers()[0].GetStride());
        EXPECT_EQ(3u, mesh.GetVertexBuffers()[0].GetVertexCount());
        EXPECT_EQ(static_cast<UINT>(D3D11_BIND_VERTEX_BUFFER), mesh.GetVertexBuffers()[0].GetDesc().BindFlags);
        const std::vector<MeshVertex> vertices = Read<MeshVertex>(mesh.GetVertexBuffers()[0]);
        ASSERT_EQ(3u, vertices.size());
        for (int v = 0; v < 3; ++v) {
            for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(c.colours[v][i], vertices[v].color[i]) << c.file << " " << v;
            for (int i = 0; i < 3; ++i) EXPECT_EQ(c.normal[i], vertices[v].normal[i]) << c.file;
            for (int i = 0; i < 2; ++i) EXPECT_FLOAT_EQ(c.texCoord[i], vertices[v].texCoord[i]) << c.file;
        }
        EXPECT_EQ(1.0f, vertices[1].position[0]);
        EXPECT_EQ(1.0f, vertices[2].position[1]);
        const std::vector<std::uint32_t> indices = Read<std::uint32_t>(mesh.GetIndexBuffers()[0]);
        EXPECT_EQ((std::vector<std::uint32_t>{0, 1, 2}), indices);
        EXPECT_EQ(3u, mesh.GetIndexBuffers()[0].GetIndexCount());
        EXPECT_EQ(static_cast<UINT>(D3D11_BIND_VERTEX_BUFFER | D3D11_BIND_INDEX_BUFFER),
                  mesh.GetIndexBuffers()[0].GetDesc().BindFlags);
    }
}

TEST_F(TriangleMeshTest, OnlyTrianglesAreDrawnAndMeshesWithoutThemAreSkipped)
{
    // Triangulation keeps points and lines; the first object has nothing else.
    const std::string file = Write("mixed.obj", "o lines\nv -1 -1 0\nv -1 1 0\nl 1 2\np 1\n"
                                                "o mixed\nv -0.5 -0.5 0.5\nv 0.5 -0.5 0.5\nv 0.5 0.5 0.5\nv -0.5 0.5 0.5\n"
                                                "f 3 4 5 6\nl 3 4 5\np 6\n");
    LoadScene();
    TriangleMesh mesh(file, kTriangulateAndNormals);
    ASSERT_EQ(2u, mesh.GetScene()->mNumMeshes);
    ASSERT_EQ(S_OK, mesh.Create());
    EXPECT_EQ(nullptr, mesh.GetVertexBuffers()[0].GetBuffer());
    EXPECT_EQ(nullptr, mesh.GetIndexBuffers()[0].GetBuffer());
    EXPECT_EQ(0u, mesh.GetIndexBuffers()[0].GetIndexCount());
    EXPECT_EQ(6u, mesh.GetIndexBuffers()[1].GetIndexCount());
    EXPECT_EQ(24u, mesh.GetIndexBuffers()[1].GetDesc().ByteWidth);
    const std::vector<std::uint32_t> pixels = Draw(mesh);
    EXPECT_NE(Rgba(0, 0, 0), Pixel(pixels, 32, 32)) << "the quad";
    EXPECT_EQ(Rgba(0, 0, 0), Pixel(pixels, 0, 32)) << "no line of the first object";
    mesh.Release();
    EXPECT_TRUE(mesh.GetVertexBuffers().empty());
    EXPECT_TRUE(mesh.GetIndexBuffers().empty());
    EXPECT_EQ(Rgba(0, 0, 0), Pixel(Draw(mesh), 32, 32)) << "nothing after the release";

    // A face naming a vertex the mesh does not have is left out.
    const std::string outsideFile =
        WriteUncolouredTriangles("outside.assbin", {{0, 1, 7}, {3, 1, 2}, {0, 3, 2}, {0, 1, 3}, {0, 1, 2}});
    TriangleMesh outside(outsideFile, kTriangulate);
    ASSERT_EQ(S_OK, outside.Create());
    EXPECT_EQ((std::vector<std::uint32_t>{0, 1, 2}), Read<std::uint32_t>(outside.GetIndexBuffers()[0]));
}

TEST_F(TriangleMeshTest, TexturesAreFoundAsGivenOrBesideTheModelAndTheCurrentFolderStays)
{
    WriteQuadrants("models/beside.png");
    // Same name, other pixels: the working folder is not the model's.
    qz::test::WritePng("beside.png", 2, 2, 4);
    const std::string given = (std::filesystem::current_path() / "shared/given.png").string();
    WriteQuadrants(given);
    Write("models/textures.mtl",
          "newmtl beside\nKd 1 1 1\nmap_Kd beside.png\nnewmtl given\nKd 1 1 1\nmap_Kd " + given + "\n");
    const std::string file = Write("models/textures.obj", "mtllib textures.mtl\n" + kQuadAttributes +
                                                          "usemtl beside\n" + QuadObj(-1, -1, 0, 0, 0.5f, 1) +
                                                          "usemtl given\n" + QuadObj(0, 0, 1, 1, 0.5f, 5));
    const std::filesystem::path folder = std::filesystem::current_path();
    TriangleMesh mesh(file, kTriangulate);
    EXPECT_EQ(folder, std::filesystem::current_path());
    EXPECT_EQ((std::vector<std::string>{"models/beside.png", given}), TexturesOf(mesh));
    for (const std::string& name : TexturesOf(mesh)) {
        const qz::dx11::Resource* resource = Resources().at(name).get();
        EXPECT_EQ(1, resource->GetRequireCount()) << name;
        EXPECT_TRUE(resource->IsLoaded()) << name;
        EXPECT_EQ(8u, FirstLevel(name).width) << name << " is the quadrants image";
    }

    // A model named without a folder lies in the working folder: its "beside.png" is
    // that folder's, an entry of its own.
    Write("bare.mtl", "newmtl beside\nKd 1 1 1\nmap_Kd beside.png\n");
    TriangleMesh bare(Write("bare.obj", "mtllib bare.mtl\n" + kQuadAttributes + "usemtl beside\n" +
                                            QuadObj(-1, -1, 0, 0, 0.5f, 1)),
                      kTriangulate);
    EXPECT_EQ((std::vector<std::string>{"beside.png"}), TexturesOf(bare));
    EXPECT_EQ(2u, FirstLevel("beside.png").width);
    EXPECT_EQ(1, Resources().at("models/beside.png")->GetRequireCount());

    // The first material's texture too, and given back with the mesh.
    WriteQuadrants("models/first.png");
    {
        TriangleMesh first(WriteUncolouredTriangles("models/first.assbin", {{0, 1, 2}}, 0, "first.png"), kTriangulate);
        EXPECT_EQ((std::vector<std::string>{"models/first.png"}), first.GetTextureNames());
        EXPECT_TRUE(Resources().at("models/first.png")->IsLoaded());
    }
    EXPECT_EQ(0, Resources().at("models/first.png")->GetRequireCount());
}

TEST_F(TriangleMeshTest, ASharedTextureIsRequiredTwiceReadOnceAndKeptByTheOtherMesh)
{
    WriteQuadrants("models/shared.png");
    Write("models/shared.mtl", "newmtl textured\nKd 1 1 1\nmap_Kd shared.png\n");
    const std::string body = "mtllib shared.mtl\n" + kQuadAttributes + "usemtl textured\n" + QuadObj(-1, -1, 1, 1, 0.5f, 1);
    auto first = std::make_unique<TriangleMesh>(Write("models/first.obj", body), kTriangulate);
    const qz::dx11::Resource* resource = Resources().at("models/shared.png").get();
    const auto& levels = dynamic_cast<const qz::dx11::TextureResource&>(*resource).GetLevels();
    ASSERT_FALSE(levels.empty());
    const auto* pixels = &levels[0];
    TriangleMesh second(Write("models/second.obj", body), kTriangulate);
    EXPECT_EQ(2, resource->GetRequireCount());
    EXPECT_EQ(pixels, &levels[0]) << "the image is read once";
    ASSERT_EQ(S_OK, first->Create());
    ASSERT_EQ(S_OK, second.Create());
    EXPECT_TRUE(resource->IsCreated());

    first.reset();
    EXPECT_EQ(1, resource->GetRequireCount());
    EXPECT_TRUE(resource->IsCreated());
    EXPECT_EQ(1u, Resources().count("models/shared.png"));
}

TEST_F(TriangleMeshTest, AConstructionThatFailsGivesItsTexturesBack)
{
    WriteQuadrants("models/present.png");
    qz::test::WritePng("absent.png", 2, 2, 4);  // in the working folder, not the model's
    Write("models/broken.mtl", "newmtl present\nmap_Kd present.png\nnewmtl absent\nmap_Kd absent.png\n");
    const std::string file = Write("models/broken.obj", "mtllib broken.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                                                        "usemtl present\nf 1 2 3\nusemtl absent\nf 1 3 4\n");
    const std::string error = qz::test::ErrorText([&] { TriangleMesh mesh(file, kTriangulate); });
    // Looked for last next to the executable.
    const std::string absent = qz::utils::GetExecutableFolder() + "absent.png";
    EXPECT_NE(std::string::npos, error.find("Cannot load texture \"" + absent + "\": file does not exist")) << error;
    for (const std::string& name : {std::string("models/present.png"), absent}) {
        ASSERT_EQ(1u, Resources().count(name)) << name;
        EXPECT_EQ(0, Resources().at(name)->GetRequireCount()) << name;
    }
    // So the next device creation passes the missing file by.
    EXPECT_EQ(S_OK, qz::dx11::CreateRequiredResources(Resources(), device));
}

TEST_F(TriangleMeshTest, RenderPutsFloorAndNormalisingInFrontOfTheModelAndWorldMatrices)
{
    const float extent[3] = {4, 2, 1};
    const float centre[3] = {1, 1, 1};
    TriangleMesh mesh(BoxObj("box.obj", extent, centre), kTriangulateAndNormals);
    ASSERT_EQ(S_OK, mesh.Create());
    LoadScene();
    DirectX::XMStoreFloat4x4(&mesh.modelMatrix, DirectX::XMMatrixScaling(2, 2, 2));
    const float black[4] = {0, 0, 0, 1};
    MakeTarget(8, 8, black);
    // One that does not commute with the world matrices.
    XMFLOAT4X4 viewProjection;
    DirectX::XMStoreFloat4x4(&viewProjection,
                             DirectX::XMMatrixMultiply(DirectX::XMMatrixRotationRollPitchYaw(0, 0, 0.5f),
                                                       DirectX::XMMatrixTranslation(0.25f, -0.5f, 0.125f)));
    for (const bool normalize : {false, true}) {
        for (const bool floor : {false, true}) {
            XMFLOAT4X4 world;
            DirectX::XMStoreFloat4x4(&world, DirectX::XMMatrixTranslation(0, 10, 0));
            const TriangleMesh::RenderParameters parameters = scene->MeshParameters(normalize, floor);
            mesh.Render(context, world, viewProjection, parameters);
            // The box's lowest corner: through floor, normalising, model, then world.
            DirectX::XMVECTOR corner = DirectX::XMVectorSet(-1, 0, 0.5f, 1);
            if (floor) corner = DirectX::XMVectorAdd(corner, DirectX::XMVectorSet(0, -1, 0, 0));
            if (normalize) corner = DirectX::XMVectorScale(DirectX::XMVectorSubtract(corner, DirectX::XMVectorSet(1, 1, 1, 0)), 0.25f);
            const DirectX::XMVECTOR expected = DirectX::XMVectorSet(corner[0] * 2, corner[1] * 2 + 10, corner[2] * 2, 1);
            const DirectX::XMVECTOR placed =
                DirectX::XMVector3TransformCoord(DirectX::XMVectorSet(-1, 0, 0.5f, 1), DirectX::XMLoadFloat4x4(&world));
            for (int axis = 0; axis < 3; ++axis) {
                EXPECT_NEAR(expected[axis], placed[axis], 1e-5f) << normalize << floor << " axis " << axis;
            }
            // The model's nodes are not transformed: world, then view and projection.
            XMFLOAT4X4 worldViewProjection;
            ASSERT_EQ(S_OK, parameters.worldViewProjection->GetMatrix(&worldViewProjection.m[0][0]));
            const DirectX::XMVECTOR projected = Transform(-1, 0, 0.5f, world, viewProjection);
            const DirectX::XMVECTOR drawn = DirectX::XMVector3TransformCoord(
                DirectX::XMVectorSet(-1, 0, 0.5f, 1), DirectX::XMLoadFloat4x4(&worldViewProjection));
            for (int axis = 0; axis < 3; ++axis) {
                EXPECT_NEAR(projected[axis], drawn[axis], 1e-4f) << normalize << floor << " axis " << axis;
            }
        }
    }
}

TEST_F(TriangleMeshTest, ParentTransformationsComeBeforeTheChildren)
{
    // parent: translate x by 0.5; child: scale by 0.25; the child's quad is (0, 0)-(1, 1).
    const std::string file = Write("hierarchy.dae", R"(<?xml version="1.0" encoding="utf-8"?>
<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">
  <asset><up_axis>Y_UP</up_axis></asset>
  <library_geometries><geometry id="quad"><mesh>
    <source id="p"><float_array id="pa" count="12">0 0 0.5 1 0 0.5 1 1 0.5 0 1 0.5</float_array>
      <technique_common><accessor source="#pa" count="4" stride="3"><param name="X" type="float"/><param name="Y" type="float"/><param name="Z" type="float"/></accessor></technique_common></source>
    <vertices id="v"><input semantic="POSITION" source="#p"/></vertices>
    <triangles count="2"><input semantic="VERTEX" source="#v" offset="0"/><p>0 1 2 0 2 3</p></triangles>
  </mesh></geometry></library_geometries>
  <library_visual_scenes><visual_scene id="scene">
    <node id="parent"><translate>0.5 0 0</translate>
      <node id="child"><scale>0.25 0.25 0.25</scale><instance_geometry url="#quad"/></node>
    </node>
  </visual_scene></library_visual_scenes>
  <scene><instance_visual_scene url="#scene"/></scene>
</COLLADA>
)");
    TriangleMesh mesh(file, kTriangulateAndNormals);
    ASSERT_EQ(S_OK, mesh.Create());
    LoadScene();
    const std::vector<std::uint32_t> pixels = Draw(mesh);
    // x in [0.5, 0.75], y in [0, 0.25]: pixels 48-55, 24-31. The other order would put it
    // at [0.125, 0.375] in both.
    const auto covered = [&](UINT x, UINT y) { return Pixel(pixels, x, y) != Rgba(0, 0, 0); };
    EXPECT_TRUE(covered(48, 24) && covered(55, 31));
    EXPECT_FALSE(covered(47, 28) || covered(56, 28) || covered(51, 23) || covered(51, 32));
}

TEST_F(TriangleMeshTest, ATexturedMeshAndAPlainOneAreDrawnLit)
{
    WriteQuadrants("models/quadrants.png");
    qz::test::WritePng("quadrants.png", 8, 8, 4);  // not the model's
    Write("models/drawn.mtl", "newmtl textured\nKd 1 1 1\nmap_Kd quadrants.png\nnewmtl plain\nKd 0 1 0.5\n");
    const std::string file = Write("models/drawn.obj", "mtllib drawn.mtl\n" + kQuadAttributes +
                                                       "usemtl textured\n" + QuadObj(-0.5f, -0.5f, 0.5f, 0.5f, 0.5f, 1) +
                                                       "usemtl plain\n" + QuadObj(0.75f, -1, 1, -0.75f, 0.5f, 5));
    TriangleMesh mesh(file, kTriangulateAndNormals);
    ASSERT_EQ(S_OK, mesh.Create());
    LoadScene();
    const std::vector<std::uint32_t> pixels = Draw(mesh);
    // The textured quad covers pixels 16-47; each 4x4 block of the image 16x16 of them.
    ExpectLitColour(Pixel(pixels, 20, 20), 1, 0, 0, "red, top left");
    ExpectLitColour(Pixel(pixels, 43, 20), 0, 1, 0, "green, top right");
    ExpectLitColour(Pixel(pixels, 20, 43), 0, 0, 1, "blue, bottom left");
    ExpectLitColour(Pixel(pixels, 43, 43), 1, 1, 1, "white, bottom right");
    EXPECT_EQ(Rgba(0, 0, 0), Pixel(pixels, 15, 20));
    EXPECT_EQ(Rgba(0, 0, 0), Pixel(pixels, 48, 43));
    // The plain quad in the bottom-right corner keeps its material colour.
    ExpectLitColour(Pixel(pixels, 62, 62), 0, 1, 0.5f, "plain");
    ExpectLitColour(Pixel(pixels, 57, 57), 0, 1, 0.5f, "plain, where its coordinates are in the red block");
}

}  // namespace
