#include "tarnwick/utils/FileSizeSignal.h"

#include <csignal>

namespace qz::utils {

void IgnoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace qz::utils
