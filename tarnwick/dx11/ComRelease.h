#pragma once
// Giving up a COM reference held in a raw pointer member, and taking one.

namespace qz::dx11 {

template <class T>
void SafeRelease(T*& object)
{
    if (object) {
        object->Release();
        object = nullptr;
    }
}

template <class T>
T* SafeAddRef(T* object)
{
    if (object) {
        object->AddRef();
    }
    return object;
}

}  // namespace qz::dx11
