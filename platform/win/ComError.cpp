#include "platform/win/ComError.h"

#include <cstdio>

namespace {

const char* KnownMessage(HRESULT result)
{
    switch (result) {
    case S_OK: return "The operation completed successfully.";
    case S_FALSE: return "Incorrect function.";
    case E_NOTIMPL: return "Not implemented";
    case E_NOINTERFACE: return "No such interface supported";
    case E_POINTER: return "Invalid pointer";
    case E_ABORT: return "Operation aborted";
    case E_FAIL: return "Unspecified error";
    case E_INVALIDARG: return "The parameter is incorrect.";
    case E_OUTOFMEMORY: return "Not enough memory resources are available to complete this operation.";
    case E_ACCESSDENIED: return "Access is denied.";
    case E_HANDLE: return "The handle is invalid.";
    case HRESULT_FILE_NOT_FOUND: return "The system cannot find the file specified.";
    case HRESULT_PATH_NOT_FOUND: return "The system cannot find the path specified.";
    case DXGI_ERROR_INVALID_CALL: return "The application made a call that is invalid. Either the parameters of the call or the state of some object was incorrect.";
    case DXGI_ERROR_NOT_FOUND: return "The object was not found.";
    case DXGI_ERROR_UNSUPPORTED: return "The requested functionality is not supported by the device or the driver.";
    case DXGI_ERROR_DEVICE_REMOVED: return "The video card has been physically removed from the system, or a driver upgrade for the video card has occurred.";
    default: return nullptr;
    }
}

}  // namespace

_com_error::_com_error(HRESULT result) : result_(result)
{
    std::string text;
    if (const char* known = KnownMessage(result)) {
        text = known;
    } else {
        char buffer[64];
        std::snprintf(buffer, sizeof(buffer), "Unknown error 0x%08X", static_cast<unsigned>(result));
        text = buffer;
    }
    message_.assign(text.begin(), text.end());
}
