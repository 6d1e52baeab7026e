#pragma once
// The root of every interface: reference counting and interface queries.

#include "platform/d3d11/api/Guid.h"

struct IUnknown {
    static constexpr IID Iid = d3d11sw::MakeIid(0);

    // Adds a reference to the object on success (E_NOINTERFACE and null otherwise).
    virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
    // Both return the new count; the object dies when it reaches 0.
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};
