#pragma once
// Errors that leave a window-framework callback do so after every log stream has
// written what it holds.

#include "tarnwick/core/Logging.h"

namespace qz::core {

template <class Work>
void FlushingLogsOnError(Work&& work)
{
    try {
        work();
    } catch (...) {
        Logger::Flush();
        throw;
    }
}

}  // namespace qz::core
