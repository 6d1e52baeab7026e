#pragma once
// File names of saved timesteps from a printf-style pattern such as a base name followed
// by "_%04d.ppv". The base name is the user's: only the last integer conversion of the
// pattern (%d, %i or %u with printf's flags, width and precision) takes the timestep, and
// every other character, '%' included, stands for itself. A pattern without a conversion
// is the name as it stands. Names have no length limit here; the file system has its own.

#include <string>

std::string FormatTimestepFileName(const std::string& pattern, int timestep);
