#include "bench/particle_pipeline/LoadCommand.h"

int RunLoadCommand(const Options&)
{
    throw std::runtime_error("load needs the particle volume");
}
