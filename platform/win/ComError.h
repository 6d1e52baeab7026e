#pragma once
// The system's message text of an HRESULT, as COM's error object gives it.

#include "platform/win/Types.h"

#include <string>

class _com_error {
public:
    explicit _com_error(HRESULT result);
    HRESULT Error() const { return result_; }
    // Stable English text per known code; unknown codes name their hex value.
    const WCHAR* ErrorMessage() const { return message_.c_str(); }

private:
    HRESULT result_;
    std::wstring message_;
};
