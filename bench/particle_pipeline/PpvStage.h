#pragma once
// The processed-file stage of a load: every timestep saved as a .ppv file and loaded back
// into a fresh volume, beside snappy alone (one thread) on the same brick payloads.

#include "bench/particle_pipeline/JsonObject.h"
#include "src/ParticleVolume.h"

#include <string>

// Saves every timestep of the volume as base + "_%04d.ppv", loads the files into a new
// volume of the same kind and settings, and reports both; throws when a loaded timestep
// differs from the saved one.
template <class Attr>
JsonObject SaveAndLoadPpv(ParticleVolume<Attr>& volume, const std::string& base);
