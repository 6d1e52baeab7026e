#pragma once
// The pixels of a frame, deferred: a large draw's primitives are set up when the draw is
// made, a small draw keeps its vertices; shading waits until something needs the pixels
// (Present, Map, a copy, a clear, a draw that reads what earlier draws write). Then the
// small draws are set up side by side on the raster threads, every primitive is sorted
// into 64x64-pixel tiles in draw order, and every tile runs its primitives in that
// order, tiles spread over the raster threads. A pixel lies in one tile, so it is
// written by one thread in the order of the draws, and the pixels do not depend on the
// number of threads.

#include "platform/d3d11/pipeline/Arena.h"
#include "platform/d3d11/pipeline/BinnedPrimitive.h"
#include "platform/d3d11/pipeline/PendingDraw.h"

#include <exception>
#include <memory>
#include <vector>

namespace d3d11sw {

class WorkerPool;

class BinnedFrame final : public PrimitiveSink {
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
    bool Full() const override;

    // A new draw, which the following primitives belong to.
    void AddDraw(std::unique_ptr<PendingDraw> draw);
    // Memory for the planes of a primitive's varyings, until the frame is shaded.
    Plane* Planes(UINT count) override;
    // A primitive of the last draw; its bounds are inside the draw's drawing area.
    void Add(const BinnedPrimitive& primitive) override;

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
    // The small draws' set-up, on the workers when given; the first exception of a vertex
    // kernel is kept for after shading.
    void SetUpDeferred(WorkerPool* workers, std::exception_ptr& failure);
    void Bin(std::uint32_t index, const BinnedPrimitive& primitive);
    void ShadeTiles(WorkerPool* workers);
    void ShadeTile(std::size_t tile);

    std::vector<std::unique_ptr<PendingDraw>> draws_;
    std::vector<const ResourceCore*> written_;
    std::vector<const ResourceCore*> read_;
    std::size_t pendingPrimitives_ = 0;  // set up, and vertices of small draws
    Arena arena_;
    std::vector<std::unique_ptr<Arena>> setUpArenas_;  // one per small draw

    std::vector<const BinnedPrimitive*> primitives_;
    std::vector<Tile> tiles_;
    int columns_ = 0;
    int rows_ = 0;
    std::vector<std::uint32_t> busyTiles_;
};

}  // namespace d3d11sw
