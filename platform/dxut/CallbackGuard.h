#pragma once
// Keeps exceptions out of the framework's own frames: a callback that throws leaves its
// exception here, the framework winds down and rethrows it from the call the
// application made.

#include <exception>
#include <utility>

namespace platform::dxut {

class CallbackGuard {
public:
    // Runs the callback; false when it threw. The first exception is the one kept.
    template <class Callback>
    bool Run(Callback&& callback)
    {
        try {
            std::forward<Callback>(callback)();
            return true;
        } catch (...) {
            if (!pending_) {
                pending_ = std::current_exception();
            }
            return false;
        }
    }

    bool Failed() const { return static_cast<bool>(pending_); }

    // Rethrows the kept exception, if any, and forgets it.
    void RethrowPending()
    {
        if (pending_) {
            std::rethrow_exception(std::exchange(pending_, nullptr));
        }
    }

private:
    std::exception_ptr pending_;
};

}  // namespace platform::dxut
