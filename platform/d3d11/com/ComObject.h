#pragma once
// The reference-counted base of every object of the software device.
//
// Public references are the ones COM hands out (AddRef, Release, QueryInterface and the
// getters). Private references are held inside the device: by the pipeline's bindings
// and by a view on its resource. A device child keeps its device alive only while it has
// public references, so the device dies when the application has released everything it
// was given, and then clears its bindings. An object is deleted when both counts are 0.

#include "platform/d3d11/api/Unknown.h"

#include <atomic>
#include <cstdint>

namespace d3d11sw {

class RefCounted {
public:
    RefCounted() = default;
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;
    virtual ~RefCounted() = default;

    void AddPrivateRef() { counts_.fetch_add(kPrivateOne); }
    void ReleasePrivateRef()
    {
        if (counts_.fetch_sub(kPrivateOne) == kPrivateOne) {
            Destroy();
        }
    }

    ULONG PublicRefCount() const { return PublicPart(counts_.load()); }
    bool HasPrivateRefs() const { return counts_.load() >= kPrivateOne; }

protected:
    ULONG AddPublicRef()
    {
        const ULONG publicRefs = PublicPart(counts_.fetch_add(1) + 1);
        if (publicRefs == 1) {
            OnPublicReferencesBack();
        }
        return publicRefs;
    }

    ULONG ReleasePublicRef()
    {
        const ULONG publicRefs = PublicPart(counts_.fetch_sub(1) - 1);
        if (publicRefs == 0) {
            // Kept alive by a private reference while the hook runs.
            AddPrivateRef();
            OnPublicReferencesGone();
            ReleasePrivateRef();
        }
        return publicRefs;
    }

    virtual void OnPublicReferencesGone() {}
    virtual void OnPublicReferencesBack() {}

private:
    // Out of line: inlined into a caller that holds a derived pointer, the deletion draws
    // a false -Wfree-nonheap-object from GCC.
    void Destroy();

    static constexpr std::uint64_t kPrivateOne = std::uint64_t{1} << 32;
    static ULONG PublicPart(std::uint64_t counts) { return static_cast<ULONG>(counts & 0xFFFFFFFFu); }

    // Low half public, high half private; one public reference for the creator.
    std::atomic<std::uint64_t> counts_{1};
};

// The object as the first face it is asked for in Faces (the first face also answers
// IUnknown); null when none matches.
template <class First, class... Faces, class Object>
void* QueryFaces(Object* object, REFIID riid)
{
    if (riid == IUnknown::Iid || riid == First::Iid) {
        return static_cast<First*>(object);
    }
    void* found = nullptr;
    ((found = (!found && riid == Faces::Iid) ? static_cast<Faces*>(object) : found), ...);
    return found;
}

template <class... Interfaces>
class ComObject : public Interfaces..., public RefCounted {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (!object) {
            return E_POINTER;
        }
        *object = Query(riid);
        if (!*object) {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }

    ULONG AddRef() override { return AddPublicRef(); }
    ULONG Release() override { return ReleasePublicRef(); }

protected:
    // The object for an interface id, or null; no reference added.
    virtual void* Query(REFIID riid) = 0;
};

}  // namespace d3d11sw
