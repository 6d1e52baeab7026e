#pragma once
// The CPU splatter of one attribute kind: the worker pool of ParticleSplatterInterface
// with per-worker scratch memory, splatting bricks of one particle volume.
//
//   ParticleSplatter<ParticleTypes::ParticleAttributes_None, 2>        no attributes
//   ParticleSplatter<ParticleTypes::ParticleAttributes_VMag, 0>        velocity magnitude
//   ParticleSplatter<ParticleTypes::ParticleAttributes_ColorCount, 1>  average colour
//
// The volume is not owned and must outlive the splatter; only its brick size is read,
// at every splat.

#include "src/BrickSplat.h"
#include "src/ParticleSplatterInterface.h"
#include "src/VelocityMaximum.h"
#include "tarnwick/core/ErrorReport.h"

#include <type_traits>
#include <vector>

template <class Attr>
class ParticleVolume;

template <class Attr, int N>
class ParticleSplatter : public ParticleSplatterInterface {
public:
    // 0 workers means the default count (hardware threads less one).
    explicit ParticleSplatter(ParticleVolume<Attr>* volume, unsigned workerCount = 0)
        : ParticleSplatterInterface(workerCount), volume_(volume), scratch_(GetWorkerCount() + 1)
    {
        if (!volume_) QZ_THROW("ParticleSplatter::ParticleSplatter", "No volume given");
    }
    ~ParticleSplatter() override { StopProcessing(); }

    bool HasAttributes() const override { return SplatsAttributes<Attr>; }

    int GetColorAttributes() const override
    {
        if constexpr (std::is_same_v<Attr, ParticleTypes::ParticleAttributes_ColorCount>) return 1;
        if constexpr (std::is_same_v<Attr, ParticleTypes::ParticleAttributes_VMag>) return 2;
        return 0;
    }

    void ProcessJob(Job& job, int worker) override
    {
        ReleaseLater(SplatBrick(scratch_[static_cast<std::size_t>(worker)], *volume_, job));
    }

    // Returns the brick's former records.
    static BrickParticleArray SplatBrick(SplatScratch<Attr>& scratch, const ParticleVolume<Attr>& volume, Job& job)
    {
        return SplatBrickRecords<Attr>(scratch, volume.GetBrickSize(), *job.brick,
                                       VelocityMaximum.load(std::memory_order_relaxed));
    }

private:
    ParticleVolume<Attr>* volume_;
    std::vector<SplatScratch<Attr>> scratch_;
};
