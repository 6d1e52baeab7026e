// The box test as brick traversal uses it: every brick of an octree level against the
// camera's frustum, once per frame. Items are boxes.

#include "tarnwick/utils/ViewFrustum.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using namespace DirectX;
using qz::utils::AABox;

// The bricks of one level of the cube [-1,1]^3: edge 2 / 2^level.
std::vector<AABox> LevelBoxes(int level)
{
    const int count = 1 << level;
    const float edge = 2.0f / static_cast<float>(count);
    std::vector<AABox> boxes;
    boxes.reserve(static_cast<std::size_t>(count) * count * count);
    for (int k = 0; k < count; ++k) {
        for (int j = 0; j < count; ++j) {
            for (int i = 0; i < count; ++i) {
                boxes.emplace_back(XMVectorSet((i + 0.5f) * edge - 1, (j + 0.5f) * edge - 1, (k + 0.5f) * edge - 1, 1),
                                   XMVectorSet(edge / 2, edge / 2, edge / 2, 0));
            }
        }
    }
    return boxes;
}

ViewFrustum Camera(float eyeX, float eyeZ)
{
    ViewFrustum frustum;
    frustum.projection = XMMatrixPerspectiveFovLH(XM_PIDIV4, 16.0f / 9.0f, 0.02f, 50.0f);
    frustum.Update(XMMatrixLookAtLH(XMVectorSet(eyeX, 0.3f, eyeZ, 1), XMVectorSet(0.2f, 0, 0, 1), XMVectorSet(0, 1, 0, 0)));
    return frustum;
}

// Camera outside the cube, seeing most of it, and inside it, seeing a sixth: the share
// of boxes that pass is reported as "passed".
void BM_IntersectsBox(benchmark::State& state)
{
    const std::vector<AABox> boxes = LevelBoxes(static_cast<int>(state.range(0)));
    const ViewFrustum frustum = state.range(1) ? Camera(0.1f, -0.2f) : Camera(-0.5f, -3.0f);
    std::size_t passed = 0;
    for (auto _ : state) {
        passed = 0;
        for (const AABox& box : boxes) passed += frustum.IntersectsBox(box) ? 1 : 0;
        benchmark::DoNotOptimize(passed);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * boxes.size()));
    state.counters["passed"] = static_cast<double>(passed) / static_cast<double>(boxes.size());
}
BENCHMARK(BM_IntersectsBox)->ArgNames({"level", "inside"})->Args({4, 0})->Args({6, 0})->Args({6, 1});

void BM_Update(benchmark::State& state)
{
    ViewFrustum frustum = Camera(-0.5f, -3.0f);
    const XMMATRIX view = frustum.view;
    for (auto _ : state) {
        frustum.Update(view);
        benchmark::DoNotOptimize(frustum.planes[0]);
    }
}
BENCHMARK(BM_Update);

}  // namespace
