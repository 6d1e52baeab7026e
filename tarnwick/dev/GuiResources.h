#pragma once
// What the overlay and the debug box draw with on one device: effects, input layouts and
// buffers by name, and the root container "gui_root" that covers the screen.

#include "platform/d3d11/D3D11.h"
#include "platform/effects/D3DX11Effect.h"
#include "tarnwick/dev/GUI.h"
#include "tarnwick/dx11/Buffer.h"
#include "tarnwick/dx11/ComRelease.h"

#include <memory>
#include <string>
#include <unordered_map>

namespace qz::dev {

class GuiResources {
public:
    GuiResources();
    // Releases the device objects, then deletes the root.
    ~GuiResources();
    GuiResources(GuiResources&&) noexcept = default;
    GuiResources& operator=(GuiResources&&) noexcept = default;

    // On device creation: logs "Creating GUI resources", loads the overlay effect and
    // makes the box geometry. Throws when an effect cannot be made.
    void Create(ID3D11Device* device);
    // On device destruction: every effect, layout and buffer goes.
    void Release();
    // The box effect "3dobjects", its input layout and the cube's buffers "boxVertex",
    // "boxFace" and "boxLine".
    void CreateBoxGeometry(ID3D11Device* device);

    GuiContainer2D& Root() { return *root; }

    // "graph" (the overlay) and "3dobjects" (the box).
    std::unordered_map<std::string, dx11::ComOwner<ID3DX11Effect>> effects;
    std::unordered_map<std::string, dx11::ComOwner<ID3D11InputLayout>> inputLayouts;
    std::unordered_map<std::string, std::unique_ptr<dx11::Buffer>> buffers;
    // Owned; its address stays when the resources move.
    std::unique_ptr<GuiContainer2D> root;
};

}  // namespace qz::dev
