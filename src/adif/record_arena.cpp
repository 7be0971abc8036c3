#include "adif/record_arena.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace q9xz {

namespace {

// Ordinary blocks kept from one record to the next.
constexpr std::size_t KEPT_BLOCKS = 4;

std::size_t align_up(std::size_t offset, std::size_t alignment) {
    return (offset + alignment - 1) & ~(alignment - 1);
}

} // namespace

void* RecordArena::allocate(std::size_t size, std::size_t alignment) {
    if (current_ < blocks_.size()) {
        Block& block = blocks_[current_];
        const std::size_t start = align_up(used_, alignment);
        if (start <= block.size && size <= block.size - start) {
            used_ = start + size;
            return block.data.get() + start;
        }
    }
    return allocate_in_new_block(size, alignment);
}

void* RecordArena::allocate_in_new_block(std::size_t size, std::size_t alignment) {
    // Kept blocks after the current one are empty; the first that is large enough serves.
    while (current_ + 1 < blocks_.size()) {
        ++current_;
        used_ = 0;
        if (size <= blocks_[current_].size) {
            used_ = size;
            return blocks_[current_].data.get();
        }
    }
    // Blocks start at the allocator's own alignment, which covers every alignment asked for.
    const std::size_t block_size = std::max(BLOCK_SIZE, align_up(size, alignment));
    blocks_.push_back({std::make_unique_for_overwrite<std::byte[]>(block_size), block_size});
    capacity_ += block_size;
    current_ = blocks_.size() - 1;
    used_ = size;
    return blocks_.back().data.get();
}

char* RecordArena::copy_text(std::string_view text) {
    auto* copy = static_cast<char*>(allocate(text.size() + TEXT_PADDING, 1));
    if (!text.empty())
        std::memcpy(copy, text.data(), text.size());
    std::memset(copy + text.size(), 0, TEXT_PADDING);
    return copy;
}

void RecordArena::release_blocks() {
    std::erase_if(blocks_, [](const Block& block) { return block.size != BLOCK_SIZE; });
    if (blocks_.size() > KEPT_BLOCKS)
        blocks_.resize(KEPT_BLOCKS);
    capacity_ = blocks_.size() * BLOCK_SIZE;
    current_ = 0;
    used_ = 0;
}

bool RecordArena::contains(const void* address) const {
    const auto* byte = static_cast<const std::byte*>(address);
    for (const Block& block : blocks_)
        if (std::less_equal<>()(block.data.get(), byte) &&
            std::less<>()(byte, block.data.get() + block.size))
            return true;
    return false;
}

} // namespace q9xz
