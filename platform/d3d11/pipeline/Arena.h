#pragma once
// Memory for the primitives of a frame: allocations in large blocks that stay where they
// are until the frame is reset; the blocks are kept for the next frame.

#include <cstddef>
#include <memory>
#include <new>
#include <vector>

namespace d3d11sw {

class Arena {
public:
    explicit Arena(std::size_t blockBytes = std::size_t{1} << 20) : blockBytes_(blockBytes) {}

    void* Allocate(std::size_t bytes, std::size_t alignment = alignof(std::max_align_t))
    {
        std::size_t at = (used_ + alignment - 1) & ~(alignment - 1);
        if (current_ >= blocks_.size() || at + bytes > blocks_[current_].size) {
            NextBlock(bytes + alignment);
            at = (used_ + alignment - 1) & ~(alignment - 1);
        }
        used_ = at + bytes;
        total_ += bytes;
        return blocks_[current_].memory.get() + at;
    }

    template <class T, class... Args>
    T* Make(Args&&... args)
    {
        return new (Allocate(sizeof(T), alignof(T))) T(std::forward<Args>(args)...);
    }

    // Bytes handed out since the last reset.
    std::size_t Used() const { return total_; }

    // Forgets every allocation (objects in it must be trivially destructible).
    void Reset()
    {
        current_ = 0;
        used_ = 0;
        total_ = 0;
    }

private:

    struct Block {
        std::unique_ptr<std::byte[]> memory;
        std::size_t size = 0;
    };

    void NextBlock(std::size_t atLeast)
    {
        if (!blocks_.empty()) {
            ++current_;
        }
        while (current_ < blocks_.size() && blocks_[current_].size < atLeast) {
            ++current_;
        }
        if (current_ >= blocks_.size()) {
            const std::size_t size = atLeast > blockBytes_ ? atLeast : blockBytes_;
            blocks_.push_back(Block{std::make_unique_for_overwrite<std::byte[]>(size), size});
            current_ = blocks_.size() - 1;
        }
        used_ = 0;
    }

    std::size_t blockBytes_;
    std::vector<Block> blocks_;
    std::size_t current_ = 0;
    std::size_t used_ = 0;
    std::size_t total_ = 0;
};

}  // namespace d3d11sw
