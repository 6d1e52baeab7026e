#include "tarnwick/dev/GUI.h"

#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/core/WideText.h"
#include "tarnwick/dev/GuiDrawing.h"
#include "tarnwick/dx11/ComRelease.h"
#include "tarnwick/dx11/TextureIO.h"
#include "tarnwick/engine/EngineRoot.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qz::dev {

namespace {

// Counts generated names only.
int generatedNames = 0;

GuiContainer2D* CurrentRoot()
{
    engine::QZRootImpl::DeviceData* data = engine::QZRoot.FindCurrentDeviceData();
    if (!data) {
        QZ_THROW("qz::dev::GuiElement2D::GuiElement2D",
                 "No GUI root: the engine has no data for the current device yet");
    }
    return data->guiResources.root.get();
}

Int2 ScreenSize()
{
    const dx11::RenderingDevice* device = dx11::RenderingDevice::Instance();
    if (!device) {
        return {0, 0};
    }
    const auto& screen = device->screens[device->currentScreenIndex];
    return {static_cast<std::int32_t>(screen.width), static_cast<std::int32_t>(screen.height)};
}

ID3D11Device* CurrentDevice()
{
    const dx11::RenderingDevice* device = dx11::RenderingDevice::Instance();
    return device ? device->devices[device->currentDeviceIndex].device : nullptr;
}

std::int32_t PixelsOf(float value, std::int32_t parentPixels)
{
    if (value > 1.0f) {
        return static_cast<std::int32_t>(value);
    }
    return static_cast<std::int32_t>(static_cast<float>(parentPixels) * value);
}

// A direction other than the three known ones counts as the reversed one.
bool Reversed(std::uint32_t direction) { return direction != 0 && direction != 2; }

}  // namespace

// --- element ---------------------------------------------------------------------------

GuiElement2D::GuiElement2D(const std::string& givenName)
{
    JoinParent(CurrentRoot(), givenName);
}

GuiElement2D::GuiElement2D(GuiContainer2D* newParent, const std::string& givenName)
{
    JoinParent(newParent, givenName);
}

void GuiElement2D::JoinParent(GuiContainer2D* newParent, const std::string& givenName)
{
    parent = newParent;
    name = givenName;
    if (parent) {
        auto& siblings = parent->children;
        if (std::find(siblings.begin(), siblings.end(), this) == siblings.end()) {
            siblings.push_back(this);
        }
        parent->Layout();
    }
    if (name.empty()) {
        name = "guielement_" + std::to_string(generatedNames++);
    }
}

GuiElement2D::~GuiElement2D()
{
    if (!parent) {
        return;
    }
    auto& siblings = parent->children;
    const auto found = std::find(siblings.begin(), siblings.end(), this);
    if (found != siblings.end()) {
        siblings.erase(found);
    }
    parent->Layout();
}

void GuiElement2D::SetOffset(std::int32_t x, std::int32_t y)
{
    offset = {x, y};
    if (parent) {
        parent->Layout();
    }
}

void GuiElement2D::SetSize(float width, float height)
{
    size = {width, height};
    if (parent) {
        parent->Layout();
    }
}

Int2 GuiElement2D::GetPixelSize() const
{
    const Int2 parentSize = parent ? parent->GetPixelSize() : ScreenSize();
    return {PixelsOf(size[0], parentSize[0]), PixelsOf(size[1], parentSize[1])};
}

Int2 GuiElement2D::GetPixelPosition() const
{
    if (!parent) {
        return pixelPosition;
    }
    const Int2 parentPosition = parent->GetPixelPosition();
    return {pixelPosition[0] + parentPosition[0], pixelPosition[1] + parentPosition[1]};
}

void GuiElement2D::Render(ID3D11DeviceContext* context)
{
    // A transparent rectangle leaves every pixel as it was: no draw needed.
    if (backgroundColor[3] <= 0.0f) {
        return;
    }
    GuiDrawing drawing("RenderBackground");
    if (drawing.Ready()) {
        drawing.SetColor(backgroundColor);
        DrawRectangle(context, drawing);
    }
}

void GuiElement2D::DrawRectangle(ID3D11DeviceContext* context, GuiDrawing& drawing)
{
    const Int2 screen = ScreenSize();
    if (screen[0] <= 0 || screen[1] <= 0) {
        return;
    }
    drawing.Draw(context, RectangleInClipSpace(GetPixelPosition(), GetPixelSize(), screen));
}

// --- container -------------------------------------------------------------------------

GuiContainer2D::GuiContainer2D(const std::string& givenName) : GuiElement2D(givenName)
{
    SetSize(1.0f, 1.0f);
}

GuiContainer2D::GuiContainer2D(GuiContainer2D* newParent, const std::string& givenName)
    : GuiElement2D(newParent, givenName)
{
    SetSize(1.0f, 1.0f);
}

GuiContainer2D::~GuiContainer2D()
{
    for (GuiElement2D* child : children) {
        child->parent = nullptr;
    }
    children.clear();
}

void GuiContainer2D::SetSize(float width, float height)
{
    GuiElement2D::SetSize(width, height);
    Layout();
}

void GuiContainer2D::Layout()
{
    if (layoutMode == Absolute) {
        for (GuiElement2D* child : children) {
            child->pixelPosition = child->offset;
            child->Layout();
        }
    } else if (layoutMode == Flow) {
        LayoutFlow();
    }
}

void GuiContainer2D::LayoutFlow()
{
    const Int2 area = GetPixelSize();
    const bool rightToLeft = Reversed(horizontalDirection);
    const bool bottomUp = Reversed(verticalDirection);
    const std::int32_t rowStart = rightToLeft ? area[0] : 0;
    std::int32_t x = rowStart;
    std::int32_t y = bottomUp ? area[1] : 0;
    std::int32_t rowWidth = 0;
    std::int32_t rowHeight = 0;
    std::int32_t widestRow = 0;
    std::int32_t totalHeight = 0;
    bool rowOpen = false;

    for (GuiElement2D* child : children) {
        if (!child->visible) {
            continue;
        }
        const Int2 childSize = child->GetPixelSize();
        const std::int32_t advance = child->offset[0] + childSize[0];
        // An inline child stays in the row only when it still fits the container's width.
        const bool fits = rightToLeft ? x - advance >= 0 : x + advance <= area[0];
        if (!rowOpen || !child->inlineFlow || !fits) {
            x = rowStart;
            y += bottomUp ? -rowHeight : rowHeight;
            widestRow = std::max(widestRow, rowWidth);
            totalHeight += rowHeight;
            rowWidth = 0;
            rowHeight = 0;
            rowOpen = true;
        }
        child->pixelPosition[0] = rightToLeft ? x - child->offset[0] - childSize[0] : x + child->offset[0];
        child->pixelPosition[1] = bottomUp ? y - child->offset[1] - childSize[1] : y + child->offset[1];
        x += rightToLeft ? -advance : advance;
        rowWidth += advance;
        rowHeight = std::max(rowHeight, childSize[1] + child->offset[1]);
        child->Layout();
    }
    widestRow = std::max(widestRow, rowWidth);
    totalHeight += rowHeight;

    const std::int32_t shiftX = horizontalDirection == CentredHorizontally ? (area[0] - widestRow) / 2 : 0;
    const std::int32_t shiftY = verticalDirection == CentredVertically ? (area[1] - totalHeight) / 2 : 0;
    if (shiftX != 0 || shiftY != 0) {
        for (GuiElement2D* child : children) {
            if (child->visible) {
                child->pixelPosition[0] += shiftX;
                child->pixelPosition[1] += shiftY;
            }
        }
    }
}

void GuiContainer2D::Render(ID3D11DeviceContext* context)
{
    if (!visible) {
        return;
    }
    bool fitted = false;
    for (GuiElement2D* child : children) {
        if (child->fitToContent) {
            child->FitToContent();
            fitted = true;
        }
    }
    if (fitted) {
        Layout();
    }
    GuiElement2D::Render(context);
    for (GuiElement2D* child : children) {
        if (child->visible) {
            child->Render(context);
        }
    }
}

// --- image -----------------------------------------------------------------------------

SimpleImage2D::SimpleImage2D(GuiContainer2D* newParent, const std::string& givenName)
    : GuiElement2D(newParent, givenName)
{
    backgroundColor = {1.0f, 1.0f, 1.0f, 1.0f};
    fitToContent = true;
}

SimpleImage2D::~SimpleImage2D() { dx11::SafeRelease(view_); }

void SimpleImage2D::SetImageFile(const std::string& file)
{
    if (file == imageFile) {
        return;
    }
    imageFile = file;
    if (ID3D11Device* device = CurrentDevice()) {
        Create(device);
    }
}

void SimpleImage2D::Create(ID3D11Device* device)
{
    const char* const method = "qz::dev::SimpleImage2D::Create";
    dx11::SafeRelease(view_);
    if (imageFile.empty()) {
        return;
    }
    dx11::TextureIO::LoadFromFile(levels_, imageFile);
    if (levels_.empty()) {
        QZ_THROW(method, "Could not open image ", imageFile);
    }
    const dx11::ImageLevel& image = levels_.front();
    D3D11_TEXTURE2D_DESC desc{};
    desc.Width = image.width;
    desc.Height = image.height;
    desc.MipLevels = 1;
    desc.ArraySize = 1;
    desc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    desc.SampleDesc.Count = 1;
    desc.Usage = D3D11_USAGE_DEFAULT;
    desc.BindFlags = D3D11_BIND_SHADER_RESOURCE;
    const D3D11_SUBRESOURCE_DATA data{image.pixels.get(), image.width * 4, 0};
    ID3D11Texture2D* created = nullptr;
    HRESULT result = device->CreateTexture2D(&desc, &data, &created);
    if (FAILED(result)) {
        QZ_THROW_COM(method, result, "Could not create texture");
    }
    // The view keeps the texture alive.
    const dx11::ComOwner<ID3D11Texture2D> texture(created);
    result = device->CreateShaderResourceView(texture.get(), nullptr, &view_);
    if (FAILED(result)) {
        view_ = nullptr;
        QZ_THROW_COM(method, result, "Could not create shader resource view");
    }
}

void SimpleImage2D::SetRotationAngle(float radians)
{
    constexpr float turn = 2.0f * std::numbers::pi_v<float>;
    float reduced = std::fmod(radians, turn);
    if (reduced < 0.0f) {
        reduced += turn;
    }
    // fmod of a tiny negative angle plus a turn can round up to a whole turn.
    rotationAngle = reduced >= turn ? 0.0f : reduced;
}

void SimpleImage2D::Render(ID3D11DeviceContext* context)
{
    if (!visible || !view_) {
        return;
    }
    GuiDrawing drawing("RenderBackgroundImage");
    if (drawing.Ready()) {
        drawing.SetColor(backgroundColor);
        drawing.SetImage(view_, rotationAngle);
        DrawRectangle(context, drawing);
    }
}

void SimpleImage2D::FitToContent()
{
    if (levels_.empty()) {
        return;
    }
    // Whole pixels wherever the size rule allows it: a fraction of the parent would come
    // out a pixel short after rounding, and a ratio above 1 would be read as pixels.
    const Int2 parentSize = parent ? parent->GetPixelSize() : ScreenSize();
    const auto fit = [](std::uint32_t pixels, std::int32_t parentPixels) {
        if (pixels > 1) {
            return static_cast<float>(pixels);
        }
        return parentPixels > 0 ? static_cast<float>(pixels) / static_cast<float>(parentPixels) : 0.0f;
    };
    size = {fit(levels_.front().width, parentSize[0]), fit(levels_.front().height, parentSize[1])};
}

// --- text ------------------------------------------------------------------------------

TextBox2D::TextBox2D(GuiContainer2D* newParent, const std::string& givenName) : GuiElement2D(newParent, givenName)
{
    fitToContent = true;
}

std::vector<std::vector<TextPiece>> LayOutTextPieces(const std::vector<TextBox2D::Line>& lines, Int2 position,
                                                     std::int32_t boxWidth)
{
    std::vector<std::vector<TextPiece>> pieces(lines.size());
    std::int32_t drawn = 0;
    for (std::size_t l = 0; l < lines.size(); ++l) {
        const std::wstring text = core::WidenText(lines[l].text);
        std::size_t start = 0;
        while (true) {
            const std::size_t lineBreak = text.find(L'\n', start);
            const std::size_t end = lineBreak == std::wstring::npos ? text.size() : lineBreak;
            // A piece longer than the buffer goes on as further pieces; an empty one is
            // still a piece.
            std::size_t chunk = start;
            do {
                const std::size_t length = std::min(end - chunk, kMaxTextPieceLength);
                const std::int32_t width = 8 * static_cast<std::int32_t>(length);
                std::int32_t x = position[0];
                if (lines[l].alignment == TextBox2D::Right) {
                    x += boxWidth - width;
                } else if (lines[l].alignment == TextBox2D::Centred) {
                    x += (boxWidth - width) / 2;
                }
                pieces[l].push_back({x, position[1] + 16 * drawn, text.substr(chunk, length)});
                ++drawn;
                chunk += length;
            } while (chunk < end);
            if (lineBreak == std::wstring::npos) {
                break;
            }
            start = lineBreak + 1;
        }
    }
    return pieces;
}

void TextBox2D::Render(ID3D11DeviceContext* /*context*/)
{
    if (!visible) {
        return;
    }
    engine::QZRootImpl::DeviceData* data = engine::QZRoot.FindCurrentDeviceData();
    CDXUTTextHelper* text = data ? data->textHelper.get() : nullptr;
    if (!text) {
        return;
    }
    const auto pieces = LayOutTextPieces(lines, GetPixelPosition(), static_cast<std::int32_t>(size[0]));
    text->Begin();
    for (std::size_t l = 0; l < lines.size(); ++l) {
        const Float4& color = lines[l].color;
        text->SetForegroundColor(DirectX::XMFLOAT4(color[0], color[1], color[2], color[3]));
        for (const TextPiece& piece : pieces[l]) {
            text->SetInsertionPos(piece.x, piece.y);
            text->DrawTextLine(piece.text.c_str());
        }
    }
    text->End();
}

void TextBox2D::FitToContent()
{
    std::size_t longest = 0;
    for (const Line& line : lines) {
        longest = std::max(longest, line.text.size());
    }
    size = {8.0f * static_cast<float>(longest), 16.0f * static_cast<float>(lines.size())};
}

}  // namespace qz::dev
