#include "platform/d3d11/pipeline/BinnedFrame.h"

#include "platform/d3d11/pipeline/Rasterizer.h"
#include "platform/d3d11/pipeline/WorkerPool.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace d3d11sw {
namespace {

// Shading waits at most for this much.
constexpr std::size_t kMaxPrimitives = std::size_t{1} << 17;
constexpr std::size_t kMaxArenaBytes = std::size_t{64} << 20;

void AddUnique(std::vector<const ResourceCore*>& set, const ResourceCore& resource)
{
    if (std::find(set.begin(), set.end(), &resource) == set.end()) {
        set.push_back(&resource);
    }
}

bool Contains(const std::vector<const ResourceCore*>& set, const ResourceCore& resource)
{
    return std::find(set.begin(), set.end(), &resource) != set.end();
}

PixelRect Intersect(const PixelRect& a, const PixelRect& b)
{
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

// Where a triangle meets the pixel centres of a rectangle: 0 nowhere, 1 somewhere,
// 2 everywhere.
int Overlap(const PrimitiveInterpolation& p, const PixelRect& rect)
{
    const std::int64_t x0 = rect.left;
    const std::int64_t x1 = rect.right - 1;
    const std::int64_t y0 = rect.top;
    const std::int64_t y1 = rect.bottom - 1;
    bool everywhere = true;
    for (int k = 0; k < 3; ++k) {
        const std::int64_t base = p.c[k];
        const std::int64_t high = base + p.stepX[k] * (p.stepX[k] > 0 ? x1 : x0) + p.stepY[k] * (p.stepY[k] > 0 ? y1 : y0);
        if (high < 0) {
            return 0;
        }
        const std::int64_t low = base + p.stepX[k] * (p.stepX[k] > 0 ? x0 : x1) + p.stepY[k] * (p.stepY[k] > 0 ? y0 : y1);
        everywhere = everywhere && low >= 0;
    }
    return everywhere ? 2 : 1;
}

// The rasteriser of a raster thread, kept between frames.
Rasterizer& ThreadRasterizer()
{
    thread_local Rasterizer rasterizer;
    return rasterizer;
}

}  // namespace

BinnedFrame::BinnedFrame() = default;
BinnedFrame::~BinnedFrame() = default;

bool BinnedFrame::Writes(const ResourceCore& resource) const { return Contains(written_, resource); }

bool BinnedFrame::Reads(const ResourceCore& resource) const { return Contains(read_, resource); }

bool BinnedFrame::Full() const { return pendingPrimitives_ >= kMaxPrimitives || arena_.Used() >= kMaxArenaBytes; }

void BinnedFrame::AddDraw(std::unique_ptr<PendingDraw> added)
{
    const PendingDraw& draw = *draws_.emplace_back(std::move(added));
    Track(draw);
    if (draw.Geometry()) {
        pendingPrimitives_ += draw.Geometry()->Count();
    }
    const RasterState& raster = draw.Raster();
    const int columns = (raster.right + kTileSize - 1) / kTileSize;
    const int rows = (raster.bottom + kTileSize - 1) / kTileSize;
    if (columns > columns_ || rows > rows_) {
        Grow(std::max(columns, columns_), std::max(rows, rows_));
    }
}

void BinnedFrame::Track(const PendingDraw& draw)
{
    for (const auto& target : draw.Targets()) {
        if (target.Get()) {
            AddUnique(written_, target.Get()->Core());
        }
    }
    if (draw.Depth()) {
        AddUnique(written_, draw.Depth()->Core());
    }
    draw.Pixels().Resources().ForEachResource([this](const ResourceCore& core) { AddUnique(read_, core); });
    if (draw.Geometry()) {
        draw.Geometry()->Resources().ForEachResource([this](const ResourceCore& core) { AddUnique(read_, core); });
    }
}

Plane* BinnedFrame::Planes(UINT count)
{
    return static_cast<Plane*>(arena_.Allocate(sizeof(Plane) * std::max(count, 1u), alignof(Plane)));
}

void BinnedFrame::Add(const BinnedPrimitive& primitive)
{
    BinnedPrimitive* stored = arena_.Make<BinnedPrimitive>(primitive);
    stored->draw = static_cast<UINT>(draws_.size() - 1);
    draws_.back()->Primitives().push_back(stored);
    ++pendingPrimitives_;
}

namespace {

// The primitives of a small draw, in memory of their own while draws are set up side by
// side.
class DrawPrimitives final : public PrimitiveSink {
public:
    DrawPrimitives(Arena& arena, PendingDraw& draw, UINT index) : arena_(arena), draw_(draw), index_(index) {}

    Plane* Planes(UINT count) override
    {
        return static_cast<Plane*>(arena_.Allocate(sizeof(Plane) * std::max(count, 1u), alignof(Plane)));
    }
    void Add(const BinnedPrimitive& primitive) override
    {
        BinnedPrimitive* stored = arena_.Make<BinnedPrimitive>(primitive);
        stored->draw = index_;
        draw_.Primitives().push_back(stored);
    }
    bool Full() const override { return false; }

private:
    Arena& arena_;
    PendingDraw& draw_;
    UINT index_;
};

}  // namespace

void BinnedFrame::SetUpDeferred(WorkerPool* workers, std::exception_ptr& failure)
{
    std::vector<UINT> waiting;
    for (UINT draw = 0; draw < draws_.size(); ++draw) {
        if (draws_[draw]->WaitsForSetUp()) {
            waiting.push_back(draw);
        }
    }
    while (setUpArenas_.size() < waiting.size()) {
        setUpArenas_.push_back(std::make_unique<Arena>(std::size_t{64} << 10));
    }
    std::mutex failureMutex;
    auto setUp = [&](unsigned item) {
        const UINT index = waiting[item];
        DrawPrimitives sink(*setUpArenas_[item], *draws_[index], index);
        try {
            draws_[index]->SetUpDeferred(sink);
        } catch (...) {
            std::lock_guard lock(failureMutex);
            if (!failure) {
                failure = std::current_exception();
            }
        }
    };
    if (workers && waiting.size() > 1) {
        workers->ForEach(static_cast<unsigned>(waiting.size()), setUp);
    } else {
        for (unsigned item = 0; item < waiting.size(); ++item) {
            setUp(item);
        }
    }
}

void BinnedFrame::Bin(std::uint32_t index, const BinnedPrimitive& primitive)
{
    const PixelRect& bounds = primitive.bounds;
    const PrimitiveInterpolation& p = primitive.interpolation;
    auto bin = [&](int column, int row) {
        const PixelRect tile{column * kTileSize, row * kTileSize, (column + 1) * kTileSize, (row + 1) * kTileSize};
        const PixelRect inside = Intersect(tile, bounds);
        if (inside.left >= inside.right || inside.top >= inside.bottom) {
            return;
        }
        int overlap = 1;
        if (p.kind == PrimitiveInterpolation::Kind::Triangle) {
            overlap = Overlap(p, inside);
        } else if (p.kind == PrimitiveInterpolation::Kind::Rectangle) {
            overlap = 2;  // its bounds are its pixels
        }
        if (overlap > 0) {
            tiles_[static_cast<std::size_t>(row) * columns_ + column].entries.push_back(index << 1 | (overlap == 2 ? 1u : 0u));
        }
    };
    const int firstColumn = bounds.left / kTileSize;
    const int lastColumn = (bounds.right - 1) / kTileSize;
    const int firstRow = bounds.top / kTileSize;
    const int lastRow = (bounds.bottom - 1) / kTileSize;
    if (p.kind != PrimitiveInterpolation::Kind::Line) {
        for (int row = firstRow; row <= lastRow; ++row) {
            for (int column = firstColumn; column <= lastColumn; ++column) {
                bin(column, row);
            }
        }
        return;
    }
    // A line, slab by slab of tiles along its major axis: the tiles its minor coordinate
    // crosses there.
    const int firstSlab = (p.xMajor ? firstColumn : firstRow);
    const int lastSlab = (p.xMajor ? lastColumn : lastRow);
    for (int slab = firstSlab; slab <= lastSlab; ++slab) {
        const double from = std::max(slab * kTileSize, p.first) + 0.5;
        const double to = std::min((slab + 1) * kTileSize, p.last) - 0.5;
        if (from > to) {
            continue;
        }
        const double a = p.minorStart + (from - p.start) / p.length * p.minor;
        const double b = p.minorStart + (to - p.start) / p.length * p.minor;
        const int low = static_cast<int>(std::floor(std::min(a, b))) / kTileSize;
        const int high = static_cast<int>(std::floor(std::max(a, b))) / kTileSize;
        for (int across = std::max(low, p.xMajor ? firstRow : firstColumn);
             across <= std::min(high, p.xMajor ? lastRow : lastColumn); ++across) {
            bin(p.xMajor ? slab : across, p.xMajor ? across : slab);
        }
    }
}

void BinnedFrame::Grow(int columns, int rows)
{
    std::vector<Tile> grown(static_cast<std::size_t>(columns) * rows);
    for (int row = 0; row < rows_; ++row) {
        for (int column = 0; column < columns_; ++column) {
            grown[static_cast<std::size_t>(row) * columns + column] =
                std::move(tiles_[static_cast<std::size_t>(row) * columns_ + column]);
        }
    }
    tiles_ = std::move(grown);
    columns_ = columns;
    rows_ = rows;
}

void BinnedFrame::ShadeTile(std::size_t tile)
{
    const int column = static_cast<int>(tile % static_cast<std::size_t>(columns_));
    const int row = static_cast<int>(tile / static_cast<std::size_t>(columns_));
    const PixelRect area{column * kTileSize, row * kTileSize, (column + 1) * kTileSize, (row + 1) * kTileSize};
    Rasterizer& rasterizer = ThreadRasterizer();
    // The pixels the tile's primitives touch, asked for at once: draws of text visit them
    // a few rows at a time, each row a cache miss of its own.
    PixelRect touched{area.right, area.bottom, area.left, area.top};
    for (const std::uint32_t entry : tiles_[tile].entries) {
        const PixelRect inside = Intersect(area, primitives_[entry >> 1]->bounds);
        touched = {std::min(touched.left, inside.left), std::min(touched.top, inside.top),
                   std::max(touched.right, inside.right), std::max(touched.bottom, inside.bottom)};
    }
    const std::byte* prefetched = nullptr;
    for (const std::uint32_t entry : tiles_[tile].entries) {
        const BinnedPrimitive& primitive = *primitives_[entry >> 1];
        const OutputMerger& merger = draws_[primitive.draw]->Pixels().Merger();
        if (merger.FirstView() != prefetched) {
            prefetched = merger.FirstView();
            merger.Prefetch(touched.left, touched.top, touched.right, touched.bottom);
        }
        const PixelRect inside = Intersect(area, primitive.bounds);
        rasterizer.Cover(primitive.interpolation, inside.left, inside.top, inside.right, inside.bottom, (entry & 1) != 0,
                         draws_[primitive.draw]->Pixels());
    }
}

void BinnedFrame::Shade(WorkerPool* workers, bool keepLastDraw)
{
    struct Forget {
        BinnedFrame& frame;
        bool keep;
        ~Forget() { frame.Discard(keep); }
    } forget{*this, keepLastDraw};
    std::exception_ptr failure;
    SetUpDeferred(workers, failure);
    for (const auto& draw : draws_) {
        for (const BinnedPrimitive* primitive : draw->Primitives()) {
            const auto index = static_cast<std::uint32_t>(primitives_.size());
            primitives_.push_back(primitive);
            Bin(index, *primitive);
        }
    }
    ShadeTiles(workers);
    if (failure) {
        std::rethrow_exception(failure);
    }
}

void BinnedFrame::ShadeTiles(WorkerPool* workers)
{
    busyTiles_.clear();
    for (std::size_t tile = 0; tile < tiles_.size(); ++tile) {
        if (!tiles_[tile].entries.empty()) {
            busyTiles_.push_back(static_cast<std::uint32_t>(tile));
        }
    }
    if (workers && busyTiles_.size() > 1) {
        // The busiest tiles first, so that no thread is left with a long one at the end.
        std::stable_sort(busyTiles_.begin(), busyTiles_.end(), [this](std::uint32_t a, std::uint32_t b) {
            return tiles_[a].entries.size() > tiles_[b].entries.size();
        });
        workers->ForEach(static_cast<unsigned>(busyTiles_.size()), [this](unsigned item) { ShadeTile(busyTiles_[item]); });
        return;
    }
    for (const std::uint32_t tile : busyTiles_) {
        ShadeTile(tile);
    }
}

void BinnedFrame::Discard(bool keepLastDraw)
{
    for (Tile& tile : tiles_) {
        tile.entries.clear();
    }
    primitives_.clear();
    pendingPrimitives_ = 0;
    arena_.Reset();
    for (const auto& arena : setUpArenas_) {
        arena->Reset();
    }
    std::unique_ptr<PendingDraw> last;
    if (keepLastDraw && !draws_.empty()) {
        last = std::move(draws_.back());
    }
    draws_.clear();
    written_.clear();
    read_.clear();
    if (last) {
        last->Primitives().clear();
        Track(*last);
        draws_.push_back(std::move(last));
    }
}

}  // namespace d3d11sw
