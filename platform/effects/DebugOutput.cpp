#include "platform/effects/DebugOutput.h"

#include "platform/win/Dialogs.h"

#include <mutex>

namespace platform::effects {
namespace {

std::mutex handlerMutex;
DebugOutputHandler debugOutputHandler;

}  // namespace

void SetDebugOutputHandler(DebugOutputHandler handler)
{
    std::lock_guard lock(handlerMutex);
    debugOutputHandler = std::move(handler);
}

void DebugOutput(const std::string& text)
{
    DebugOutputHandler handler;
    {
        std::lock_guard lock(handlerMutex);
        handler = debugOutputHandler;
    }
    if (handler) {
        handler(text);
    } else {
        OutputDebugStringA(text.c_str());
    }
}

}  // namespace platform::effects
