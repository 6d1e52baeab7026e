// One texture of a frame dump into an image file: a staging copy read back into packed
// rows, the background put under transparent pixels, then PNG or raw bytes.

#include "tarnwick/dev/FrameDump.h"

#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/dx11/ComRelease.h"
#include "tarnwick/dx11/DXGIFormatInfo.h"
#include "tarnwick/dx11/Texture2D.h"
#include "platform/win/Files.h"
#include "tarnwick/utils/ReplacingFile.h"

#include <stb_image_write.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace qz::dev {
namespace {

using dx11::ComOwner;

struct Image {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t bytesPerPixel = 0;
    std::vector<std::uint8_t> pixels;  // rows top first, packed
};

void Warn(const std::string& text)
{
    auto message = core::Logger::BeginMessage(core::LogLevelImportant);
    message.SetType(core::LogTypeWarning);
    message << text;
}

// 0 for formats whose pixels are not a whole number of bytes: bit formats, block
// compression, and the packed formats whose element holds two pixels.
std::uint32_t BytesPerPixel(DXGI_FORMAT format)
{
    if (format >= dx11::DXGIFormatInfos.size() || format == DXGI_FORMAT_R8G8_B8G8_UNORM ||
        format == DXGI_FORMAT_G8R8_G8B8_UNORM) {
        return 0;
    }
    const std::uint32_t bits = dx11::DXGIFormatInfos[format].bits;
    return bits % 8 == 0 ? bits / 8 : 0;
}

// How a format of 8-bit channels becomes PNG pixels: each channel's byte is a sample as it
// stands, so integer and signed channels keep their bits.
struct PngLayout {
    int components = 0;  // 0: no PNG for this format
    bool blueFirst = false;
    bool opaque = false;  // the fourth byte is unused
};

int Components(DXGI_FORMAT format)
{
    return static_cast<int>(dx11::DXGIFormatInfos[format].components);
}

PngLayout PngLayoutOf(DXGI_FORMAT format)
{
    switch (format) {
    case DXGI_FORMAT_R8_TYPELESS:
    case DXGI_FORMAT_R8_UNORM:
    case DXGI_FORMAT_R8_UINT:
    case DXGI_FORMAT_R8_SNORM:
    case DXGI_FORMAT_R8_SINT:
    case DXGI_FORMAT_A8_UNORM:
    case DXGI_FORMAT_R8G8_TYPELESS:
    case DXGI_FORMAT_R8G8_UNORM:
    case DXGI_FORMAT_R8G8_UINT:
    case DXGI_FORMAT_R8G8_SNORM:
    case DXGI_FORMAT_R8G8_SINT:
    case DXGI_FORMAT_R8G8B8A8_TYPELESS:
    case DXGI_FORMAT_R8G8B8A8_UNORM:
    case DXGI_FORMAT_R8G8B8A8_UNORM_SRGB:
    case DXGI_FORMAT_R8G8B8A8_UINT:
    case DXGI_FORMAT_R8G8B8A8_SNORM:
    case DXGI_FORMAT_R8G8B8A8_SINT:
        return {Components(format)};
    // PNG has no blue-first layout.
    case DXGI_FORMAT_B8G8R8A8_TYPELESS:
    case DXGI_FORMAT_B8G8R8A8_UNORM:
    case DXGI_FORMAT_B8G8R8A8_UNORM_SRGB:
        return {Components(format), true};
    case DXGI_FORMAT_B8G8R8X8_TYPELESS:
    case DXGI_FORMAT_B8G8R8X8_UNORM:
    case DXGI_FORMAT_B8G8R8X8_UNORM_SRGB:
        return {Components(format), true, true};
    default:
        return {};
    }
}

// A step of the read-back that failed, with the device's result.
struct ReadBackFailure {
    const char* message = nullptr;  // null: the image was read
    HRESULT result = S_OK;
};

// The first level (first slice) of the texture into the image, through a staging copy.
ReadBackFailure ReadBack(ID3D11Texture2D* texture, const D3D11_TEXTURE2D_DESC& desc, Image& image)
{
    ID3D11Device* device = nullptr;
    texture->GetDevice(&device);
    const ComOwner<ID3D11Device> deviceOwner(device);
    ID3D11DeviceContext* context = nullptr;
    device->GetImmediateContext(&context);
    const ComOwner<ID3D11DeviceContext> contextOwner(context);

    D3D11_TEXTURE2D_DESC stagingDesc = desc;
    stagingDesc.Usage = D3D11_USAGE_STAGING;
    stagingDesc.BindFlags = 0;
    stagingDesc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
    dx11::Texture2D staging;
    HRESULT result = staging.CreateFromDescription(device, stagingDesc);
    if (FAILED(result)) {
        return {"Error creating framedump staging texture", result};
    }
    context->CopyResource(staging.GetTexture(), texture);

    const std::size_t rowBytes = std::size_t{image.width} * image.bytesPerPixel;
    image.pixels.resize(rowBytes * image.height);
    D3D11_MAPPED_SUBRESOURCE mapped{};
    result = context->Map(staging.GetTexture(), 0, D3D11_MAP_READ, 0, &mapped);
    if (FAILED(result)) {
        return {"Error mapping framedump staging texture", result};
    }
    const auto* source = static_cast<const std::uint8_t*>(mapped.pData);
    for (std::uint32_t row = 0; row < image.height; ++row) {
        std::memcpy(image.pixels.data() + row * rowBytes, source + std::size_t{row} * mapped.RowPitch, rowBytes);
    }
    context->Unmap(staging.GetTexture(), 0);
    return {};
}

std::uint8_t RoundedChannel(float value)
{
    return static_cast<std::uint8_t>(std::clamp(std::floor(value + 0.5f), 0.0f, 255.0f));
}

void FillBackground(Image& image, DXGI_FORMAT format, const std::array<float, 4>& background)
{
    if (format != DXGI_FORMAT_R8G8B8A8_UNORM && format != DXGI_FORMAT_R8G8B8A8_UNORM_SRGB) {
        Warn(std::string("Could not fill background due to unsupported image format: ") + dx11::FormatName(format));
        return;
    }
    for (std::size_t at = 0; at < image.pixels.size(); at += 4) {
        std::uint8_t* pixel = image.pixels.data() + at;
        // An opaque pixel keeps its colour exactly; most of a frame is opaque.
        if (pixel[3] == 255) {
            continue;
        }
        const float alpha = pixel[3] / 255.0f;
        for (int channel = 0; channel < 3; ++channel) {
            // Each part rounded as it stands; the sum is kept in range, so a background
            // above 255 cannot wrap around.
            const int sum = RoundedChannel(pixel[channel] * alpha) + RoundedChannel((1.0f - alpha) * background[channel]);
            pixel[channel] = static_cast<std::uint8_t>(std::min(sum, 255));
        }
        pixel[3] = 255;
    }
}

int WriteRaw(const std::string& path, const Image& image)
{
    return utils::WriteWholeFile(platform::win::ToNativePath(path), image.pixels.data(), image.pixels.size());
}

// Encoded in memory: the encoder's own file writing does not check its writes.
int WritePng(const std::string& path, Image& image, const PngLayout& layout)
{
    if (layout.blueFirst || layout.opaque) {
        for (std::size_t at = 0; at < image.pixels.size(); at += 4) {
            if (layout.blueFirst) std::swap(image.pixels[at], image.pixels[at + 2]);
            if (layout.opaque) image.pixels[at + 3] = 255;
        }
    }
    std::string png;
    const auto append = [](void* context, void* data, int size) {
        static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<std::size_t>(size));
    };
    if (!stbi_write_png_to_func(append, &png, static_cast<int>(image.width), static_cast<int>(image.height),
                                layout.components, image.pixels.data(), static_cast<int>(image.width * image.bytesPerPixel))) {
        return EINVAL;
    }
    return utils::WriteWholeFile(platform::win::ToNativePath(path), png.data(), png.size());
}

}  // namespace

void FrameDump::Dump(const Screenshot& screenshot, const std::string& path, const std::array<float, 4>& background)
{
    const std::string notDumped = "Could not dump file \"" + path + "\"";
    if (!screenshot.texture) {
        Warn(notDumped + ": no texture");
        return;
    }
    D3D11_TEXTURE2D_DESC desc{};
    screenshot.texture->GetDesc(&desc);
    const std::uint32_t bytesPerPixel = BytesPerPixel(desc.Format);
    const PngLayout png = PngLayoutOf(desc.Format);
    if (bytesPerPixel == 0 || (!screenshot.raw && png.components == 0)) {
        Warn(notDumped + " due to unsupported image format: " + dx11::FormatName(desc.Format));
        return;
    }
    Image image{desc.Width, desc.Height, bytesPerPixel, {}};
    if (const ReadBackFailure failure = ReadBack(screenshot.texture, desc, image); failure.message) {
        ThrowReadBackFailure(failure.message, failure.result);
    }
    if (screenshot.fillBackground) {
        FillBackground(image, desc.Format, background);
    }
    if (const int error = screenshot.raw ? WriteRaw(path, image) : WritePng(path, image, png)) {
        Warn(notDumped);
        utils::LogWriteFailure(path, error);
    }
}

}  // namespace qz::dev
