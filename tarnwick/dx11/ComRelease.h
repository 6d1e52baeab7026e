#pragma once
// Giving up a COM reference held in a raw pointer member, and taking one.

#include <memory>

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

struct ComReleaser {
    template <class T>
    void operator()(T* object) const
    {
        object->Release();
    }
};

// Owns one reference that a getter or a creation handed out, so that every path out of
// a scope gives it back.
template <class T>
using ComOwner = std::unique_ptr<T, ComReleaser>;

}  // namespace qz::dx11
