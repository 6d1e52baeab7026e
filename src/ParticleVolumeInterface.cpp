#include "src/ParticleVolumeInterface.h"

#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/dev/Statistics.h"

#include <deque>

namespace {

const char* const RegistryCollection = "particlevolume";

}  // namespace

ParticleVolumeInterface::ParticleVolumeInterface()
{
    statisticsRecorder.Collections().push_back(&statistics.collection);
    DirectX::XMStoreFloat4x4(&worldToVolume, DirectX::XMMatrixIdentity());
    timer.SetScale(1.0);
    timer.Stop();
    auto& published = qz::dev::Statistics::GetCollection(RegistryCollection);
    published.label = "Particle Volume";
    published.AddTypedItem("timestep", &currentTimestep, "Current timestep");
}

ParticleVolumeInterface::~ParticleVolumeInterface()
{
    // By its storage: a newer volume has taken the key over, and its item stays.
    qz::dev::Statistics::GetCollection(RegistryCollection).RemoveItem(static_cast<const void*>(&currentTimestep));
}

void ParticleVolumeInterface::Prepare(std::uint32_t newBrickSize, std::uint32_t newOverlap,
                                      std::uint32_t levels)
{
    qz::core::Logger::BeginMessageWith("Preparing volume:\n\tBrickSize: ")
        << newBrickSize << "\n\tOverlap: " << newOverlap << "\n\tLevels: " << levels;
    const std::string error = VolumeGeometry::CheckSettings(newBrickSize, newOverlap, levels);
    if (!error.empty()) QZ_THROW("ParticleVolumeInterface::Prepare", error);
    brickSize = newBrickSize;
    overlap = newOverlap;
    levelCount = levels;
    geometry = VolumeGeometry::FromSettings(brickSize, overlap, levelCount);
    timer.Stop();
}

void ParticleVolumeInterface::SetTimestep(int timestep)
{
    qz::core::Logger::BeginMessageWith("Changing particle volume timestep to ") << timestep;
    std::lock_guard<std::mutex> lock(timestepsMutex);
    if (timestep >= 0 && static_cast<std::size_t>(timestep) < timesteps.size()) {
        currentTimestep = timestep;
    }
}

int ParticleVolumeInterface::GetCurrentTimestep() const
{
    std::lock_guard<std::mutex> lock(timestepsMutex);
    return currentTimestep;
}

std::size_t ParticleVolumeInterface::GetTimestepCount() const
{
    std::lock_guard<std::mutex> lock(timestepsMutex);
    return timesteps.size();
}

ParticleVolumeInterface::TimestepPointer ParticleVolumeInterface::GetTimestep(int index) const
{
    std::lock_guard<std::mutex> lock(timestepsMutex);
    if (index < 0 || static_cast<std::size_t>(index) >= timesteps.size()) return nullptr;
    return timesteps[static_cast<std::size_t>(index)];
}

std::uint32_t ParticleVolumeInterface::AppendTimestep(bool select)
{
    auto timestep = std::make_shared<TimestepAttributes>();
    std::lock_guard<std::mutex> lock(timestepsMutex);
    const auto index = static_cast<std::int32_t>(timesteps.size());
    timestep->root.timestep = index;
    timesteps.push_back(std::move(timestep));
    if (select || currentTimestep == -1) currentTimestep = index;
    return static_cast<std::uint32_t>(index);
}

void ParticleVolumeInterface::RemoveAllTimesteps()
{
    std::vector<TimestepPointer> removed;
    {
        std::lock_guard<std::mutex> lock(timestepsMutex);
        removed.swap(timesteps);
        currentTimestep = -1;
    }
    // The trees are destroyed here, outside the lock.
}

void ParticleVolumeInterface::ForEachBrick(TimestepAttributes* timestep,
                                           std::function<void(Brick&)> function,
                                           const ViewFrustum* frustum)
{
    std::deque<Brick*> queue;
    queue.push_back(&timestep->root);
    while (!queue.empty()) {
        Brick* brick = queue.front();
        queue.pop_front();
        if (frustum && !frustum->IntersectsBox(brick->box)) continue;
        for (const auto& child : brick->children) {
            if (child) queue.push_back(child.get());
        }
        function(*brick);
    }
}
