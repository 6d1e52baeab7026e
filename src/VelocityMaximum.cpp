#include "src/VelocityMaximum.h"

std::atomic<float> VelocityMaximum {1.0f};
