// Frame dumps: the folder and its files, the index in the settings copy, image bytes and
// formats, the background fill, failures, and the references a dump takes and gives back.

#include "tarnwick/dev/FrameDump.h"

#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/dev/Statistics.h"
#include "tarnwick/dx11/Texture.h"
#include "tarnwick/engine/Configuration.h"
#include "platform/win/Files.h"
#include "tests/d3d11/DeviceFixture.h"
#include "tests/support/RefusingMapDevice.h"
#include "tests/support/FullDisk.h"
#include "tests/support/LogCapture.h"
#include "tests/support/OutputCapture.h"
#include "tests/utils/ErrorText.h"

#include <stb_image.h>
#include <tinyxml.h>

#include <filesystem>
#include <ctime>

namespace {

using qz::dev::FrameDump;
using qz::test::ComPtr;
using qz::test::ErrorText;
using qz::test::LogCapture;
using qz::test::ReadFile;
namespace fs = std::filesystem;

using Screenshot = FrameDump::Screenshot;
const std::array<float, 4> Black{0, 0, 0, 0};

class FrameDumpTest : public qz::test::DeviceTest {
protected:
    FrameDumpTest()
    {
        fs::remove_all("dumps");
        camera.AddTypedItem("speed", &speed);
        configuration.appSettings[camera.Name()] = &camera;
    }

    // A texture of the pixels given, rows top first, as a render target like the back buffer.
    ComPtr<ID3D11Texture2D> Target(UINT width, UINT height, DXGI_FORMAT format, const std::vector<std::uint8_t>& bytes)
    {
        const D3D11_TEXTURE2D_DESC desc =
            Texture2DDesc(width, height, format, D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE);
        const D3D11_SUBRESOURCE_DATA data{bytes.data(), static_cast<UINT>(bytes.size() / height), 0};
        ComPtr<ID3D11Texture2D> texture;
        EXPECT_EQ(S_OK, device->CreateTexture2D(&desc, &data, texture.ReleaseAndGetAddressOf()));
        return texture;
    }

    void DumpInto(FrameDump& dump, const std::string& name)
    {
        dump.Dump("dumps", name, [this](const std::string& file) { configuration.StoreCopy(file); });
    }

    Configuration configuration{"unused.xml"};
    qz::utils::SettingsGroup camera{"camera", "Camera"};
    float speed = 2.5f;
};

std::vector<std::uint8_t> Pattern(std::size_t bytes)
{
    std::vector<std::uint8_t> pattern(bytes);
    for (std::size_t i = 0; i < bytes; ++i) pattern[i] = static_cast<std::uint8_t>(i * 7 + i / 4096);
    return pattern;
}

// The decoded PNG as RGBA bytes and its own channel count.
std::vector<std::uint8_t> Png(const std::string& path, int& channels)
{
    int width = 0;
    int height = 0;
    std::uint8_t* pixels = stbi_load(path.c_str(), &width, &height, &channels, 0);
    if (!pixels) return {};
    std::vector<std::uint8_t> bytes(pixels, pixels + width * height * channels);
    stbi_image_free(pixels);
    return bytes;
}

TEST_F(FrameDumpTest, FolderFilesAndIndex)
{
    LogCapture log;
    auto backBuffer = Target(2, 1, DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, {1, 2, 3, 255, 4, 5, 6, 255});
    auto depth = Target(2, 1, DXGI_FORMAT_R32_FLOAT, Pattern(8));
    FrameDump dump;
    dump.screenshots["backbuffer"] = {backBuffer.Get(), true, false};
    dump.screenshots["depth"] = {depth.Get(), false, true};
    dump.binaryStreams["particles.bin"] << std::string("\0\1\2", 3);
    DumpInto(dump, "first");
    DumpInto(dump, "first");

    const std::string folder = "dumps/first/";
    EXPECT_NE(std::string::npos, log.Text().find("Performing framedump \"first\" to \"dumps\\first\\\"\n"));
    EXPECT_NE(std::string::npos, log.Text().find("\tFramedump complete\n"));
    EXPECT_EQ(std::string::npos, log.Text().find("WARNING")) << log.Text();
    EXPECT_EQ(std::string::npos, log.Text().find("ERROR")) << log.Text();
    int channels = 0;
    EXPECT_EQ((std::vector<std::uint8_t>{1, 2, 3, 255, 4, 5, 6, 255}), Png(folder + "first_backbuffer.png", channels));
    const std::vector<std::uint8_t> depthBytes = Pattern(8);
    EXPECT_EQ(std::string(depthBytes.begin(), depthBytes.end()), ReadFile(folder + "first_depth.raw"));
    EXPECT_EQ(std::string("\0\1\2", 3), ReadFile(folder + "particles.bin")) << "a second dump writes it all again";
    EXPECT_TRUE(fs::exists(folder + "first_stats.txt"));

    TiXmlDocument settings;
    ASSERT_TRUE(settings.LoadFile(folder + "first_settings.xml"));
    EXPECT_NE(nullptr, settings.FirstChildElement("tarnwick-config")) << "the configuration's copy";
    const TiXmlElement* index = settings.FirstChildElement("framedump-data");
    ASSERT_NE(nullptr, index);
    std::vector<std::string> entries;
    for (const TiXmlElement* entry = index->FirstChildElement(); entry; entry = entry->NextSiblingElement()) {
        const char* name = entry->Attribute("name");
        entries.push_back(entry->ValueStr() + " " + (name ? std::string(name) + " " : "") + entry->Attribute("file"));
    }
    ASSERT_EQ(4u, entries.size());
    EXPECT_EQ("statistics first_stats.txt", entries[0]);
    std::sort(entries.begin() + 1, entries.begin() + 3);
    EXPECT_EQ("screenshot backbuffer first_backbuffer.png", entries[1]);
    EXPECT_EQ("screenshot depth first_depth.raw", entries[2]);
    EXPECT_EQ("binstream particles.bin", entries[3]);
}

TEST_F(FrameDumpTest, EmptyDumpHoldsSettingsAndStatistics)
{
    auto& collection = qz::dev::Statistics::GetCollection("frame");
    int frames = 42;
    int detail = 9137;
    collection.label = "Frame";
    collection.AddTypedItem("frames", &frames, "Frames");
    collection.AddTypedItem("detail", &detail, "Detail", 1);  // shown only when all items are asked for
    FrameDump dump;
    DumpInto(dump, "empty");
    qz::dev::Statistics::GetRegistry().erase("frame");

    TiXmlDocument settings;
    ASSERT_TRUE(settings.LoadFile("dumps/empty/empty_settings.xml"));
    const TiXmlElement* index = settings.FirstChildElement("framedump-data");
    ASSERT_NE(nullptr, index);
    ASSERT_NE(nullptr, index->FirstChildElement("statistics"));
    EXPECT_EQ(nullptr, index->FirstChildElement("statistics")->NextSiblingElement());
    const std::string statistics = ReadFile("dumps/empty/empty_stats.txt");
    EXPECT_NE(std::string::npos, statistics.find("*** Frame ***")) << statistics;
    EXPECT_NE(std::string::npos, statistics.find("42")) << statistics;
    EXPECT_NE(std::string::npos, statistics.find("9137")) << statistics;

    // What a broken settings copy held up to its fault is not kept under the index.
    dump.Dump("dumps", "broken", [](const std::string& file) {
        std::ofstream(platform::win::ToNativePath(file)) << "<kept/><broken";
    });
    ASSERT_TRUE(settings.LoadFile("dumps/broken/broken_settings.xml"));
    ASSERT_NE(nullptr, settings.RootElement());
    EXPECT_EQ("framedump-data", settings.RootElement()->ValueStr());
    EXPECT_EQ(nullptr, settings.RootElement()->NextSiblingElement());
}

TEST_F(FrameDumpTest, GeneratedNamesPutTheDayFirst)
{
    const std::time_t before = std::time(nullptr);
    const std::string name = FrameDump::GeneratedName();
    const std::time_t after = std::time(nullptr);
    EXPECT_EQ(std::string("framedump_DDMMYYYY_hhmmss").size(), name.size()) << name;
    std::vector<std::string> expected;
    for (std::time_t when : {before, after}) {
        char text[64];
        std::strftime(text, sizeof(text), "framedump_%d%m%Y_%H%M%S", std::localtime(&when));
        expected.push_back(text);
    }
    EXPECT_TRUE(name == expected[0] || name == expected[1]) << name;
}

TEST_F(FrameDumpTest, RawBackBufferHoldsEveryRowPacked)
{
    const std::vector<std::uint8_t> pixels = Pattern(1280 * 720 * 4);
    auto target = Target(1280, 720, DXGI_FORMAT_R8G8B8A8_UNORM, pixels);
    fs::create_directories("dumps");
    FrameDump::Dump({target.Get(), false, true}, "dumps/target.raw", Black);
    const std::string raw = ReadFile("dumps/target.raw");
    EXPECT_EQ(3686400u, raw.size());
    EXPECT_TRUE(raw == std::string(pixels.begin(), pixels.end()));
}

TEST_F(FrameDumpTest, BackgroundGoesUnderTransparentPixels)
{
    // Transparent, opaque, half transparent, and a background above 255 that must not wrap.
    auto target = Target(4, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {9, 9, 9, 0, 50, 60, 70, 255, 200, 100, 0, 128, 255, 255, 255, 128});
    fs::create_directories("dumps");
    FrameDump::Dump({target.Get(), true, false}, "dumps/filled.png", {10, 20, 300, 0});
    int channels = 0;
    const std::vector<std::uint8_t> filled = Png("dumps/filled.png", channels);
    const std::vector<std::uint8_t> expected = {10, 20, 255, 255, 50, 60, 70, 255, 105, 60, 149, 255, 133, 138, 255, 255};
    EXPECT_EQ(expected, filled);

    LogCapture log;
    auto floats = Target(1, 1, DXGI_FORMAT_R32G32B32A32_FLOAT, std::vector<std::uint8_t>(16, 0));
    FrameDump::Dump({floats.Get(), true, true}, "dumps/floats.raw", Black);
    EXPECT_NE(std::string::npos,
              log.Text().find("WARNING: Could not fill background due to unsupported image format: "
                              "DXGI_FORMAT_R32G32B32A32_FLOAT\n"));
    EXPECT_EQ(16u, ReadFile("dumps/floats.raw").size());
}

TEST_F(FrameDumpTest, PngsOnlyOfEightBitChannels)
{
    fs::create_directories("dumps");
    struct Case {
        DXGI_FORMAT format;
        std::vector<std::uint8_t> pixels;  // one pixel a row, two rows
        std::vector<std::uint8_t> png;     // empty: no PNG
    };
    const std::vector<Case> cases = {
        {DXGI_FORMAT_R8G8B8A8_UNORM, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 4, 5, 6, 7, 8}},
        {DXGI_FORMAT_R8G8B8A8_UINT, {1, 2, 3, 4, 250, 251, 252, 253}, {1, 2, 3, 4, 250, 251, 252, 253}},
        {DXGI_FORMAT_R8G8B8A8_TYPELESS, {9, 8, 7, 6, 5, 4, 3, 2}, {9, 8, 7, 6, 5, 4, 3, 2}},
        {DXGI_FORMAT_R8G8B8A8_SINT, {128, 127, 255, 0, 1, 2, 3, 4}, {128, 127, 255, 0, 1, 2, 3, 4}},
        {DXGI_FORMAT_B8G8R8A8_UNORM, {1, 2, 3, 4, 5, 6, 7, 8}, {3, 2, 1, 4, 7, 6, 5, 8}},
        {DXGI_FORMAT_B8G8R8X8_UNORM, {1, 2, 3, 4, 5, 6, 7, 8}, {3, 2, 1, 255, 7, 6, 5, 255}},
        {DXGI_FORMAT_R8G8_UNORM, {5, 250, 6, 249}, {5, 250, 6, 249}},
        {DXGI_FORMAT_R8G8_SNORM, {128, 127, 255, 1}, {128, 127, 255, 1}},
        {DXGI_FORMAT_R8_UNORM, {77, 78}, {77, 78}},
        {DXGI_FORMAT_R8_UINT, {200, 1}, {200, 1}},
        {DXGI_FORMAT_R16G16B16A16_UNORM, std::vector<std::uint8_t>(16, 1), {}},
        {DXGI_FORMAT_R10G10B10A2_UNORM, std::vector<std::uint8_t>(8, 1), {}},
        {DXGI_FORMAT_R16_UNORM, std::vector<std::uint8_t>(4, 1), {}},
        {DXGI_FORMAT_R32_FLOAT, std::vector<std::uint8_t>(8, 1), {}},
    };
    for (const Case& test : cases) {
        LogCapture log;
        const std::string path = "dumps/format" + std::to_string(test.format) + ".png";
        auto texture = Target(1, 2, test.format, test.pixels);
        FrameDump::Dump({texture.Get(), false, false}, path, Black);
        int channels = 0;
        EXPECT_EQ(test.png, Png(path, channels)) << test.format;
        if (test.png.empty()) {
            EXPECT_NE(std::string::npos, log.Text().find("WARNING: Could not dump file \"" + path +
                                                         "\" due to unsupported image format: "))
                << test.format;
        } else {
            EXPECT_EQ(test.png.size() / 2, static_cast<std::size_t>(channels)) << test.format;
        }
    }

    // Rows wider than a pixel, each in its place.
    const std::vector<std::uint8_t> pattern = Pattern(8 * 3 * 4);
    auto wide = Target(8, 3, DXGI_FORMAT_R8G8B8A8_UNORM, pattern);
    FrameDump::Dump({wide.Get(), false, false}, "dumps/wide.png", Black);
    int channels = 0;
    EXPECT_EQ(pattern, Png("dumps/wide.png", channels));
}

TEST_F(FrameDumpTest, FormatsWithoutWholeBytesArePassedOver)
{
    D3D11_TEXTURE2D_DESC desc = Texture2DDesc(4, 4, DXGI_FORMAT_BC1_UNORM, D3D11_BIND_SHADER_RESOURCE);
    const std::vector<std::uint8_t> block(8, 0);
    const D3D11_SUBRESOURCE_DATA data{block.data(), 8, 0};
    ComPtr<ID3D11Texture2D> compressed;
    ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, &data, compressed.ReleaseAndGetAddressOf()));
    LogCapture log;
    fs::create_directories("dumps");
    FrameDump::Dump({compressed.Get(), false, true}, "dumps/compressed.raw", Black);
    EXPECT_FALSE(fs::exists("dumps/compressed.raw"));
    EXPECT_NE(std::string::npos, log.Text().find("WARNING: Could not dump file \"dumps/compressed.raw\" due to "
                                                 "unsupported image format: DXGI_FORMAT_BC1_UNORM\n"));

    // Formats the device cannot hold: a bit a pixel, two pixels in one element, and one
    // beyond the format table.
    class Described : public qz::test::RefusingMapTexture {
    public:
        using RefusingMapTexture::RefusingMapTexture;
        void GetDesc(D3D11_TEXTURE2D_DESC* desc) override
        {
            RefusingMapTexture::GetDesc(desc);
            desc->Format = format;
        }
        DXGI_FORMAT format = DXGI_FORMAT_UNKNOWN;
    };
    auto real = Target(2, 2, DXGI_FORMAT_R8G8B8A8_UNORM, Pattern(16));
    qz::test::RefusingMapDevice refusing(device.Get());
    Described texture(real.Get(), refusing);
    for (DXGI_FORMAT format : {DXGI_FORMAT_R1_UNORM, DXGI_FORMAT_R8G8_B8G8_UNORM, DXGI_FORMAT_G8R8_G8B8_UNORM,
                               static_cast<DXGI_FORMAT>(100)}) {
        texture.format = format;
        EXPECT_EQ("", ErrorText([&] { FrameDump::Dump({&texture, false, true}, "dumps/packed.raw", Black); }));
        const std::string named = std::string("image format: ") + qz::dx11::FormatName(format) + "\n";
        EXPECT_NE(std::string::npos, log.Text().find(named)) << format;
    }
    EXPECT_FALSE(fs::exists("dumps/packed.raw"));
}

TEST_F(FrameDumpTest, UnwritableImagesAreWarningsAndReferencesComeBack)
{
    auto target = Target(2, 2, DXGI_FORMAT_R8G8B8A8_UNORM, Pattern(16));
    const ULONG deviceRefs = Count(device.Get());
    const ULONG targetRefs = Count(target.Get());
    for (bool raw : {true, false}) {
        LogCapture log;
        const std::string path = std::string("missing/folder/image") + (raw ? ".raw" : ".png");
        EXPECT_EQ("", ErrorText([&] { FrameDump::Dump({target.Get(), false, raw}, path, Black); }));
        EXPECT_NE(std::string::npos, log.Text().find("WARNING: Could not dump file \"" + path + "\"\n"));
        EXPECT_NE(std::string::npos, log.Text().find("Could not write \"" + path + "\": No such file or directory"));
        EXPECT_EQ(deviceRefs, Count(device.Get()));
        EXPECT_EQ(targetRefs, Count(target.Get()));
    }
    LogCapture log;
    FrameDump::Dump({nullptr, false, false}, "none.png", Black);
    EXPECT_NE(std::string::npos, log.Text().find("WARNING: Could not dump file \"none.png\": no texture\n"));
}

TEST_F(FrameDumpTest, FailedCopiesThrowAndGiveEveryReferenceBack)
{
    // A multisampled target has no staging copy.
    D3D11_TEXTURE2D_DESC desc = Texture2DDesc(4, 4, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_RENDER_TARGET);
    desc.SampleDesc.Count = 4;
    ComPtr<ID3D11Texture2D> multisampled;
    ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, multisampled.ReleaseAndGetAddressOf()));
    const ULONG deviceRefs = Count(device.Get());
    fs::create_directories("dumps");
    std::string thrown = ErrorText([&] { FrameDump::Dump({multisampled.Get(), false, true}, "dumps/ms.raw", Black); });
    const std::string source = "\nMethod: qz::dev::FrameDump::Dump\nFile: \"dev\\FrameDump\": ";
    EXPECT_EQ(0u, thrown.find(source)) << thrown;
    EXPECT_NE(std::string::npos, thrown.find("\nError creating framedump staging texture\nCOM error message: "));
    EXPECT_EQ(deviceRefs, Count(device.Get()));
    EXPECT_EQ(1u, Count(multisampled.Get()));

    // A staging copy that cannot be mapped.
    auto real = Target(2, 2, DXGI_FORMAT_R8G8B8A8_UNORM, Pattern(16));
    const ULONG withReal = Count(device.Get());
    qz::test::RefusingMapDevice refusing(device.Get());
    qz::test::RefusingMapTexture texture(real.Get(), refusing);
    thrown = ErrorText([&] { FrameDump::Dump({&texture, false, true}, "dumps/unmapped.raw", Black); });
    EXPECT_EQ(0u, thrown.find(source)) << thrown;
    EXPECT_NE(std::string::npos, thrown.find("\nError mapping framedump staging texture\nCOM error message: " +
                                             qz::core::ComErrorText(E_OUTOFMEMORY)))
        << thrown;
    EXPECT_FALSE(fs::exists("dumps/unmapped.raw"));
    EXPECT_EQ(0, refusing.Context().unmaps);
    EXPECT_EQ(1u, refusing.Count());
    EXPECT_EQ(1u, refusing.Context().Count());
    EXPECT_EQ(1u, texture.Count());
    EXPECT_EQ(withReal, Count(device.Get())) << "the staging texture is gone";
}

TEST_F(FrameDumpTest, FolderAndIndexFailuresStopTheDump)
{
    std::ofstream("blocker") << "a file where a folder should be";
    FrameDump dump;
    std::string thrown = ErrorText([&] { dump.Dump("blocker", "d", [](const std::string&) {}); });
    EXPECT_NE(std::string::npos, thrown.find("\nMethod: qz::dev::FrameDump::Dump\nFile: \"dev\\FrameDump\": "));
    EXPECT_NE(std::string::npos, thrown.find("\nCould not create folder \"blocker\\d\\\"")) << thrown;

    // The settings copy cannot be replaced by the index when a folder stands in its place.
    thrown = ErrorText([&] { dump.Dump("dumps", "d", [](const std::string& file) {
        fs::create_directories(platform::win::ToNativePath(file));
    }); });
    EXPECT_NE(std::string::npos, thrown.find("\nCould not write \"dumps\\d\\d_settings.xml\"")) << thrown;
}

}  // namespace

namespace {

// On a full disk the files of a dump that cannot be written are warnings with the
// system's reason, the index a thrown report with it, and the settings copy stays whole.
TEST_F(FrameDumpTest, FullDiskIsReportedWithTheReason)
{
    const std::string result = qz::test::RunOnFullDisk("fulldump", [&](qz::test::FullDisk& disk) {
        LogCapture log;
        FrameDump dump;
        dump.binaryStreams["particles.bin"] << std::string(10000, 'p');
        const std::string thrown = ErrorText([&] {
            dump.Dump("fulldump", "d", [&](const std::string& file) {
                configuration.StoreCopy(file);
                disk.Fill();
            });
        });
        const std::string settings = ReadFile("fulldump/d/d_settings.xml");
        return std::string(settings.find("speed") != std::string::npos ? "settings kept|" : "settings lost|") + thrown +
               "|" + log.Text();
    });
    EXPECT_EQ(0u, result.find("settings kept|")) << result;
    EXPECT_NE(std::string::npos, result.find("\nCould not write \"fulldump\\d\\d_settings.xml\"|")) << result;
    for (const std::string file : {"fulldump\\d\\particles.bin", "fulldump\\d\\d_settings.xml"}) {
        EXPECT_TRUE(result.find("Could not write \"" + file + "\": No space left on device") != std::string::npos ||
                    result.find("Could not write \"" + file + "\": File too large") != std::string::npos)
            << file << result;
    }
    EXPECT_NE(std::string::npos, result.find("WARNING: Could not dump file \"fulldump\\d\\particles.bin\"")) << result;
}

}  // namespace
