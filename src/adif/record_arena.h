#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace q9xz {

// The memory of one record: its field nodes and the copies of the lines they point into, handed
// out from large blocks and taken back all at once when the record is finished. A record is
// then built without an allocation per field, and a long log reuses the same few blocks.
class RecordArena {
  public:
    RecordArena() = default;
    RecordArena(RecordArena&&) noexcept = default;
    RecordArena& operator=(RecordArena&&) noexcept = default;
    RecordArena(const RecordArena&) = delete;
    RecordArena& operator=(const RecordArena&) = delete;

    // Storage for `size` bytes at the given alignment (a power of two up to 16), valid until
    // clear().
    void* allocate(std::size_t size, std::size_t alignment);
    // Zero bytes after every copied text, which the reader's scans may read and write back.
    static constexpr std::size_t TEXT_PADDING = 32;
    // A copy of `text` that the caller may change in place, followed by TEXT_PADDING zeros.
    char* copy_text(std::string_view text);
    // Gives everything back. The first few ordinary blocks are kept for the next record; a block
    // made for one huge text is released, so it does not stay for the rest of the log.
    void clear() {
        // The usual record fits in the first block, and then no block was added.
        if (current_ == 0 && !blocks_.empty() && blocks_[0].size == BLOCK_SIZE) {
            used_ = 0;
            return;
        }
        release_blocks();
    }

    // Whether `address` lies in one of the blocks (checks of the reader's invariants).
    bool contains(const void* address) const;
    // Bytes held in blocks, used or not.
    std::size_t capacity() const { return capacity_; }

    // Bytes of an ordinary block, which holds a few typical records, lines and nodes together.
    static constexpr std::size_t BLOCK_SIZE = 16 * 1024;

  private:
    void release_blocks();
    struct Block {
        std::unique_ptr<std::byte[]> data;
        std::size_t size = 0;
    };
    void* allocate_in_new_block(std::size_t size, std::size_t alignment);

    std::vector<Block> blocks_;
    std::size_t current_ = 0;  // the block being filled
    std::size_t used_ = 0;     // bytes used in it
    std::size_t capacity_ = 0; // the sizes of all blocks, asked for after every line read
};

} // namespace q9xz
