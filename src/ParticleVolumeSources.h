#pragma once
// Helpers of the sources that implement ParticleVolume<Attr>.

#include "src/ParticleTypes.h"
#include "tarnwick/core/ErrorReport.h"

// Inside a member of ParticleVolume<Attr>: an error report of that operation. Every part
// of the volume reports as its main source file.
#define QZ_VOLUME_THROW(operation, ...)                                                          \
    ::qz::core::ThrowErrorReport(MethodName(operation).c_str(),                                  \
                                 ::qz::core::ReportFileName("src/ParticleVolume.cpp"), __LINE__, \
                                 __VA_ARGS__)

// Calls X(kind) for the three attribute kinds, to instantiate what a source defines.
#define QZ_FOR_EACH_ATTRIBUTE_KIND(X)         \
    X(ParticleTypes::ParticleAttributes_None) \
    X(ParticleTypes::ParticleAttributes_VMag) \
    X(ParticleTypes::ParticleAttributes_ColorCount)
