#pragma once
// An owner of one public COM reference.

#include "platform/d3d11/api/Unknown.h"

#include <utility>

namespace d3d11sw {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Adds a reference to an object the caller keeps its own reference to.
    explicit ComPtr(T* object) : object_(object)
    {
        if (object_) {
            object_->AddRef();
        }
    }
    ComPtr(const ComPtr& other) : ComPtr(other.object_) {}
    ComPtr(ComPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(object_, other.object_);
        return *this;
    }

    // Takes over a reference the caller owns.
    static ComPtr Attach(T* object)
    {
        ComPtr owner;
        owner.object_ = object;
        return owner;
    }

    void Reset()
    {
        if (T* object = std::exchange(object_, nullptr)) {
            object->Release();
        }
    }
    // Gives up the reference without releasing it.
    T* Detach() { return std::exchange(object_, nullptr); }

    T* Get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    // For out-parameters: releases what is held first.
    T** ReleaseAndGetAddressOf()
    {
        Reset();
        return &object_;
    }

    template <class U>
    ComPtr<U> As() const
    {
        ComPtr<U> result;
        if (object_) {
            object_->QueryInterface(__uuidof(U), reinterpret_cast<void**>(result.ReleaseAndGetAddressOf()));
        }
        return result;
    }

private:
    T* object_ = nullptr;
};

}  // namespace d3d11sw
