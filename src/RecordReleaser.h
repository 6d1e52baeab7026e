#pragma once
// Frees the record arrays of splatted bricks on a thread of its own. Returning that much
// memory to the system stalls every thread of the process for a moment (it halved the
// splat rate of seven workers), so workers hand their arrays over instead of freeing them,
// and the releaser frees them once the workers have nothing left to do. The arrays were
// allocated before splatting began, so holding them a little longer raises no peak.

#include "src/BrickParticleArray.h"

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class RecordReleaser {
public:
    // `mayRelease` tells whether freeing now suits; it is asked on the releaser's thread.
    explicit RecordReleaser(std::function<bool()> mayRelease);
    // Frees what is still pending.
    ~RecordReleaser();
    RecordReleaser(const RecordReleaser&) = delete;
    RecordReleaser& operator=(const RecordReleaser&) = delete;

    void Release(BrickParticleArray records);
    std::size_t PendingCount() const;

private:
    void Run();

    std::function<bool()> mayRelease_;
    mutable std::mutex mutex_;
    std::condition_variable wanted_;
    std::vector<BrickParticleArray> pending_;
    bool stopping_ = false;
    std::thread thread_;  // last: starts once everything else exists
};
