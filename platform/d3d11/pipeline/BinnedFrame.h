#pragma once
// The pixels of a frame, deferred: every draw's primitives are set up when the draw is
// made and sorted into 64x64-pixel tiles; shading waits until something needs the
// pixels (Present, Map, a copy, a clear, a draw that reads what earlier draws write),
// then every tile runs its primitives in draw order, tiles spread over the raster
// threads. A pixel lies in one tile, so it is written by one thread in the order of the
// draws, and the pixels do not depend on the number of threads.

#include "platform/d3d11/pipeline/Arena.h"
#include "platform/d3d11/pipeline/PendingDraw.h"

#include <memory>
#include <vector>

namespace d3d11sw {

class WorkerPool;

struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;  // exclusive
    int bottom = 0;
};

struct BinnedPrimitive {
    PrimitiveInterpolation interpolation;
    PixelRect bounds;  // the pixels it may cover, inside its draw's drawing area
    UINT draw = 0;
};

class BinnedFrame {
public:
    static constexpr int kTileSize = 2 * PixelSpan::kMaxQuads;

    BinnedFrame();
    ~BinnedFrame();
    BinnedFrame(const BinnedFrame&) = delete;
    BinnedFrame& operator=(const BinnedFrame&) = delete;

    bool Empty() const { return draws_.empty(); }
    // Whether pending draws write or read (through a shader-resource view) a resource.
    bool Writes(const ResourceCore& resource) const;
    bool Reads(const ResourceCore& resource) const;
    bool Touches(const ResourceCore& resource) const { return Writes(resource) || Reads(resource); }
    // Enough is pending that it should be shaded before more comes.
    bool Full() const;

    // A new draw, which the following primitives belong to.
    void AddDraw(std::unique_ptr<PendingDraw> draw);
    // Memory for the planes of a primitive's varyings, until the frame is shaded.
    Plane* Planes(UINT count);
    // Bins a primitive of the last draw; its bounds are inside the draw's drawing area.
    void Add(const BinnedPrimitive& primitive);

    // Shades every tile (on the workers when given, else on the calling thread), then
    // forgets the frame; the draw being set up stays when asked, for its remaining
    // primitives. The first exception of a kernel is rethrown after all tiles ran.
    void Shade(WorkerPool* workers, bool keepLastDraw = false);
    // Forgets the frame without shading it.
    void Discard(bool keepLastDraw = false);

private:
    struct Tile {
        std::vector<std::uint32_t> entries;  // primitive index << 1 | whole tile covered
    };

    void Track(const PendingDraw& draw);
    void Grow(int columns, int rows);
    void ShadeTile(std::size_t tile);

    std::vector<std::unique_ptr<PendingDraw>> draws_;
    std::vector<const ResourceCore*> written_;
    std::vector<const ResourceCore*> read_;
    Arena arena_;
    std::vector<const BinnedPrimitive*> primitives_;
    std::vector<Tile> tiles_;
    int columns_ = 0;
    int rows_ = 0;
    std::vector<std::uint32_t> busyTiles_;
};

}  // namespace d3d11sw
