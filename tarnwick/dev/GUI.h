#pragma once
// A small retained-mode overlay drawn over the finished frame: rectangles, images and
// text boxes, laid out in pixels by containers. Every device of the engine root has a
// root container "gui_root" covering the screen; elements built without a parent join
// the current device's root.
//
// Sizes: a component above 1.0 is pixels, 1.0 or less a fraction of the parent's pixel
// size (of the screen's for an element without parent).

#include "platform/d3d11/D3D11.h"
#include "tarnwick/dx11/ImageLevel.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qz::dev {

using Int2 = std::array<std::int32_t, 2>;
using Float2 = std::array<float, 2>;
using Float4 = std::array<float, 4>;

class GuiContainer2D;
class GuiDrawing;

class GuiElement2D {
public:
    // Joins the current device's root; throws when the engine has no device data.
    explicit GuiElement2D(const std::string& name);
    // Joins the parent, or stays alone with none.
    GuiElement2D(GuiContainer2D* parent, const std::string& name);
    // Leaves the parent (when it has one), which lays itself out again.
    virtual ~GuiElement2D();
    GuiElement2D(const GuiElement2D&) = delete;
    GuiElement2D& operator=(const GuiElement2D&) = delete;

    virtual void SetOffset(std::int32_t x, std::int32_t y);
    virtual void SetSize(float width, float height);
    // The background rectangle.
    virtual void Render(ID3D11DeviceContext* context);
    virtual void Layout() {}
    virtual void FitToContent() {}

    Int2 GetPixelSize() const;
    // Absolute screen pixels.
    Int2 GetPixelPosition() const;

    GuiContainer2D* parent = nullptr;
    Int2 offset{0, 0};
    Float2 size{100.0f, 50.0f};
    std::string name;
    bool fitToContent = false;
    Float4 backgroundColor{0.0f, 0.0f, 0.0f, 0.0f};
    bool visible = true;
    bool inlineFlow = false;
    // Relative to the parent; written by the parent's layout.
    Int2 pixelPosition{0, 0};

protected:
    // The element's rectangle with the drawing's pass, whose other variables are set.
    void DrawRectangle(ID3D11DeviceContext* context, GuiDrawing& drawing);

private:
    void JoinParent(GuiContainer2D* newParent, const std::string& givenName);
};

class GuiContainer2D : public GuiElement2D {
public:
    enum LayoutMode : std::uint32_t { Absolute = 0, Flow = 1 };
    enum HorizontalDirection : std::uint32_t { LeftToRight = 0, RightToLeft = 1, CentredHorizontally = 2 };
    enum VerticalDirection : std::uint32_t { TopDown = 0, BottomUp = 1, CentredVertically = 2 };

    // A flow container covering the current device's root.
    explicit GuiContainer2D(const std::string& name);
    // A flow container covering its parent; without a parent it stands alone (the root).
    GuiContainer2D(GuiContainer2D* parent, const std::string& name);
    // Its children stay alive and are left without parent.
    ~GuiContainer2D() override;

    void SetSize(float width, float height) override;
    void Render(ID3D11DeviceContext* context) override;
    void Layout() override;

    // Registration order; not owned.
    std::vector<GuiElement2D*> children;
    std::uint32_t layoutMode = Flow;
    std::uint32_t horizontalDirection = LeftToRight;
    std::uint32_t verticalDirection = TopDown;

private:
    void LayoutFlow();
};

class SimpleImage2D : public GuiElement2D {
public:
    SimpleImage2D(GuiContainer2D* parent, const std::string& name);
    ~SimpleImage2D() override;

    // Stores a new name and, with a device present, creates the image from it.
    void SetImageFile(const std::string& file);
    // Reads the image file and makes its texture; an empty name leaves no image.
    void Create(ID3D11Device* device);
    // Radians, kept in [0, 2 pi).
    void SetRotationAngle(float radians);

    void Render(ID3D11DeviceContext* context) override;
    // The image's own size in pixels.
    void FitToContent() override;

    const std::string& ImageFile() const { return imageFile; }
    float RotationAngle() const { return rotationAngle; }
    ID3D11ShaderResourceView* View() const { return view_; }

private:
    std::string imageFile;
    dx11::ImageLevels levels_;
    ID3D11ShaderResourceView* view_ = nullptr;  // owned reference
    float rotationAngle = 0.0f;
};

class TextBox2D : public GuiElement2D {
public:
    enum Alignment : std::uint32_t { Left = 0, Right = 1, Centred = 2 };

    struct Line {
        std::uint32_t alignment = Left;
        std::string text;  // may hold line breaks
        Float4 color{1.0f, 1.0f, 1.0f, 1.0f};
    };

    TextBox2D(GuiContainer2D* parent, const std::string& name);

    // Each line's pieces (split at line breaks) one below the other in 8 x 16 cells.
    void Render(ID3D11DeviceContext* context) override;
    // 8 pixels per character of the longest text, 16 per line record.
    void FitToContent() override;

    std::vector<Line> lines;
};

// Where a text piece is drawn, and what of it: a piece longer than the drawing buffer
// continues as further pieces below it.
struct TextPiece {
    std::int32_t x;
    std::int32_t y;
    std::wstring text;
};

// The pieces of a text box's lines, in drawing order, for a box at (x, y) of the given
// pixel width.
std::vector<std::vector<TextPiece>> LayOutTextPieces(const std::vector<TextBox2D::Line>& lines, Int2 position,
                                                     std::int32_t boxWidth);

// Characters a text piece may have: the drawing buffer less its terminator.
constexpr std::size_t kMaxTextPieceLength = 1023;

}  // namespace qz::dev
