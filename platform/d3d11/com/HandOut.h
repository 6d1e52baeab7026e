#pragma once
// The common end of every Create... method: hand the new object out, or drop it.

#include "platform/win/Types.h"

namespace d3d11sw {

// Takes the creator's reference of a new object: on success it goes to *out, on failure
// the object is released (and dies) and *out stays null.
template <class Object, class Face>
HRESULT HandOut(Object* object, HRESULT result, Face** out)
{
    if (FAILED(result)) {
        object->Release();
        return result;
    }
    *out = object;
    return S_OK;
}

}  // namespace d3d11sw
