#pragma once

#include "bench/particle_pipeline/Options.h"

// Loads one file as the application does and prints the JSON figures; returns the exit code.
int RunLoadCommand(const Options& options);
