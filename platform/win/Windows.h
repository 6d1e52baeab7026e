#pragma once
// Everything of platform/win in one include, as code written for Windows expects.

#include "platform/win/ComError.h"
#include "platform/win/Console.h"
#include "platform/win/Dialogs.h"
#include "platform/win/Files.h"
#include "platform/win/Memory.h"
#include "platform/win/PerformanceCounter.h"
#include "platform/win/Types.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WindowMessages.h"
