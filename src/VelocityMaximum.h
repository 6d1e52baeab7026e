#pragma once
// The velocity that maps to the brightest velocity-magnitude value of a voxel. The
// application sets it from its raw-file settings before loading; splat workers read it
// while they run, so it is atomic.

#include <atomic>

extern std::atomic<float> VelocityMaximum;
