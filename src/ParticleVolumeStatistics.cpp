#include "src/ParticleVolumeStatistics.h"

ParticleVolumeStatistics::ParticleVolumeStatistics()
{
    collection.AddTypedItem("readingtime", &readingTime, "Reading time (ms)");
    collection.AddTypedItem("insertiontime", &insertionTime, "Insertion time (ms)");
    collection.AddTypedItem("overlapcopytime", &overlapCopyTime, "Overlap copy time (ms)");
    collection.AddTypedItem("sorttime", &sortTime, "Sorting time (ms)");
    collection.AddTypedItem("octreetime", &octreeTime, "Octree time (ms)");
    collection.AddTypedItem("numparticles", &particleCount, "# particles in");
    collection.AddTypedItem("numoverlapparticles", &overlapParticleCount, "# overlap particles");
}
