#include "adif/line_reader.h"

#include "adif/tag_finder.h"
#include "common/native_path.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace q9xz {

namespace {

// Bytes asked of the file per read: large enough that a read costs little per line, small
// enough that the blocks in flight stay a small part of the memory.
constexpr std::size_t BLOCK = 1024u << 10;
// Blocks of one file: the one being read from, and the one read ahead.
constexpr std::size_t BLOCKS = 2;
// Held lines a block takes over without growing (the reader of records holds less).
constexpr std::size_t HELD_ROOM = 256u << 10;
// Line ends listed per block: lines of 16 bytes on average fill it. The lines of a block of
// shorter ones, past these, are found when they are read, so that the list never takes more
// memory than this.
constexpr std::size_t MOST_LINE_ENDS = BLOCK / 16;

} // namespace

// A stretch of the input: room for the bytes carried over from the block before (the unread
// start of a line, and held lines), then the bytes read, then PADDING bytes.
struct LineReader::Block {
    std::unique_ptr<char[]> memory;
    std::size_t carry_room = 0;           // bytes before the read ones
    std::size_t capacity = 0;             // room for read bytes
    std::size_t size = 0;                 // bytes read
    std::vector<std::uint32_t> line_ends; // the LFs among the bytes read, from their start
    bool last = false;                    // the input ends with this block
    bool saw_tag = false;                 // a well-formed tag stood in it or before it
    int error = 0;                        // the read error that ended it, if any

    Block(std::size_t carry, std::size_t room)
        // Not zeroed: only the pages used are ever touched.
        : memory(std::make_unique_for_overwrite<char[]>(carry + room + PADDING)), carry_room(carry),
          capacity(room) {
        line_ends.reserve(std::min(room / 16 + 1, MOST_LINE_ENDS));
    }
    char* data() { return memory.get() + carry_room; }

    // Lists the LFs among the bytes read, and zeroes the padding after them.
    void end_read() {
        std::memset(data() + size, 0, PADDING);
        line_ends.clear();
        const char* begin = data();
        const char* end = begin + size;
        for (const char* p = begin; line_ends.size() < MOST_LINE_ENDS; ++p) {
            p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
            if (p == nullptr)
                break;
            line_ends.push_back(static_cast<std::uint32_t>(p - begin));
        }
    }
};

// Reads the blocks of a file one after the other on a thread of its own, while the lines of
// the blocks before are read; at most BLOCKS blocks exist at a time.
class LineReader::ReadAhead {
  public:
    ReadAhead(std::FILE* file, std::size_t carry_room, Reading reading)
        : file_(file), carry_room_(carry_room) {
        // Our blocks do the buffering.
        std::setvbuf(file_, nullptr, _IONBF, 0);
        for (std::size_t i = 0; i < BLOCKS; ++i)
            empty_.push_back(std::make_unique<Block>(carry_room_, BLOCK));
        // On a machine of one core a second thread could only take turns with the first: the
        // blocks are then read when they are asked for, as they are where no thread can start.
        if (reading == Reading::WHEN_ASKED ||
            (reading == Reading::BY_CORES && std::thread::hardware_concurrency() == 1))
            return;
        try {
            thread_ = std::thread([this] { read_all(); });
        } catch (const std::system_error&) {
        }
    }
    ~ReadAhead() {
        if (thread_.joinable()) {
            {
                std::lock_guard lock(mutex_);
                stop_ = true;
            }
            changed_.notify_all();
            thread_.join();
        }
        std::fclose(file_);
    }
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The next block, as soon as it is read.
    std::unique_ptr<Block> next() {
        if (!thread_.joinable()) {
            // A block is always free here: the reader gives one back for each it takes.
            std::unique_ptr<Block> block = std::move(empty_.front());
            empty_.pop_front();
            fill(*block);
            return block;
        }
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !full_.empty(); });
        std::unique_ptr<Block> block = std::move(full_.front());
        full_.pop_front();
        return block;
    }
    // Gives a block whose bytes are no longer wanted back for reading.
    void give_back(std::unique_ptr<Block> block) {
        // A block grown for many held lines is let go: the file keeps its BLOCKS blocks.
        if (!block || block->carry_room != carry_room_ || block->capacity != BLOCK)
            return;
        if (!thread_.joinable()) {
            empty_.push_back(std::move(block));
            return;
        }
        {
            std::lock_guard lock(mutex_);
            empty_.push_back(std::move(block));
        }
        changed_.notify_all();
    }

  private:
    void read_all() {
        for (;;) {
            std::unique_ptr<Block> block;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [this] { return stop_ || !empty_.empty(); });
                if (stop_)
                    return;
                block = std::move(empty_.front());
                empty_.pop_front();
            }
            fill(*block);
            const bool last = block->last;
            {
                std::lock_guard lock(mutex_);
                full_.push_back(std::move(block));
            }
            changed_.notify_all();
            if (last)
                return;
        }
    }

    void fill(Block& block) {
        errno = 0;
        block.size = std::fread(block.data(), 1, block.capacity, file_);
        if (block.size < block.capacity) {
            block.last = true;
            if (std::ferror(file_))
                block.error = errno != 0 ? errno : EIO;
        }
        tags_.feed(block.data(), block.size);
        block.saw_tag = tags_.found();
        block.end_read();
    }

    std::FILE* file_;
    std::size_t carry_room_;
    TagFinder tags_; // used by whichever thread fills the blocks, one at a time
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::unique_ptr<Block>> empty_; // to be read into
    std::deque<std::unique_ptr<Block>> full_;  // read, in the order of the file
    bool stop_ = false;
    std::thread thread_; // last: it starts once everything else is ready
};

LineReader::LineReader(std::FILE* file, std::size_t max_line, Reading reading)
    : max_line_(max_line == 0 ? 1 : max_line), reading_(reading), file_(file) {
    if (file == nullptr)
        at_end_ = true;
}

LineReader::LineReader(std::string text, std::size_t max_line)
    : max_line_(max_line == 0 ? 1 : max_line) {
    auto block = std::make_unique<Block>(0, text.size());
    block->size = text.size();
    if (!text.empty())
        std::memcpy(block->data(), text.data(), text.size());
    TagFinder tags;
    tags.feed(block->data(), block->size);
    block->saw_tag = tags.found();
    block->end_read();
    block->last = true;
    take_block(std::move(block));
}

LineReader::~LineReader() {
    close();
}
LineReader::LineReader(LineReader&&) noexcept = default;
LineReader& LineReader::operator=(LineReader&&) noexcept = default;

std::unique_ptr<LineReader> LineReader::open(const std::string& path) {
    std::error_code error;
    if (path.empty() || std::filesystem::is_directory(path_of(path), error))
        return nullptr;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return nullptr;
    return std::make_unique<LineReader>(file);
}

void LineReader::close() {
    read_ahead_.reset();
    file_.reset();
    block_.reset();
    memory_ = nullptr;
    begin_ = end_ = line_begin_ = end_of_line_ = next_end_ = ends_base_ = 0;
    ends_ = {};
    end_marked_ = converted_cr_ = continues_ = false;
    hold_ = NOT_HELD;
    at_end_ = true;
}

void LineReader::take_block(std::unique_ptr<Block> block) {
    // The bytes still wanted go in front of the new block's own: those not read yet, and the
    // held ones.
    const std::size_t keep = hold_ < begin_ ? hold_ : begin_;
    const std::size_t carried = end_ - keep;
    if (carried > block->carry_room) {
        // More held lines than a block makes room for: this block grows.
        auto wider = std::make_unique<Block>(carried, block->size);
        std::memcpy(wider->data(), block->data(), block->size);
        wider->size = block->size;
        wider->line_ends = std::move(block->line_ends);
        wider->last = block->last;
        wider->saw_tag = block->saw_tag;
        wider->error = block->error;
        // The block as read goes back for reading, its bytes now in the wider one.
        if (read_ahead_)
            read_ahead_->give_back(std::move(block));
        block = std::move(wider);
    }
    char* front = block->data() - carried;
    if (carried > 0)
        std::memcpy(front, memory_ + keep, carried);
    const std::size_t front_offset = static_cast<std::size_t>(front - block->memory.get());
    if (hold_ != NOT_HELD) {
        // The held lines move to another block: an offset between two allocations.
        moved_by_ += static_cast<std::ptrdiff_t>(reinterpret_cast<std::uintptr_t>(front) -
                                                 reinterpret_cast<std::uintptr_t>(memory_ + keep));
        hold_ = front_offset + (hold_ - keep);
    }
    data_position_ += static_cast<std::ptrdiff_t>(keep) - static_cast<std::ptrdiff_t>(front_offset);
    begin_ = front_offset + (begin_ - keep);
    end_ = block->carry_room + block->size;
    ends_ = block->line_ends;
    ends_base_ = block->carry_room;
    next_end_ = 0;
    saw_tag_ = saw_tag_ || block->saw_tag;
    if (block->last) {
        at_end_ = true;
        pending_error_ = block->error;
    }
    if (read_ahead_)
        read_ahead_->give_back(std::move(block_));
    block_ = std::move(block);
    memory_ = block_->memory.get();
}

bool LineReader::refill() {
    if (file_) {
        // Reading ahead starts with the first line asked for, so a log opened and not yet read
        // holds no memory for it. A block takes over the start of a line of up to max_line
        // bytes and a CR, and held lines.
        read_ahead_ =
            std::make_unique<ReadAhead>(file_.release(), max_line_ + 1 + HELD_ROOM, reading_);
    }
    if (at_end_ || !read_ahead_) {
        // The bytes before a read error have been read: now it is the input's end.
        if (pending_error_ != 0) {
            read_error_ = pending_error_;
            pending_error_ = 0;
        }
        return false;
    }
    const std::size_t before = end_ - begin_;
    take_block(read_ahead_->next());
    if (end_ - begin_ > before)
        return true;
    return refill();
}

// A line read_line() does not take at once: one that ends only in a block still to come, or
// one cut at max_line(), or the last line without a line end.
std::string_view LineReader::read_other_line() {
    for (;;) {
        std::size_t available = end_ - begin_;
        // A CR LF pair counts as one character, so one more raw byte may belong to the line.
        std::size_t window = available < max_line_ + 1 ? available : max_line_ + 1;
        char* start = memory_ + begin_;
        auto* lf = window > 0 ? static_cast<char*>(std::memchr(start, '\n', window)) : nullptr;
        line_begin_ = begin_;
        continues_ = false;
        if (lf != nullptr) {
            std::size_t raw = static_cast<std::size_t>(lf - start) + 1;
            if (raw >= 2 && lf[-1] == '\r') {
                lf[-1] = '\n';
                begin_ += raw;
                return line_to(raw - 1, true);
            }
            if (raw <= max_line_) {
                begin_ += raw;
                return line_to(raw);
            }
        }
        if (available >= max_line_ + 1 || (at_end_ && available >= max_line_)) {
            continues_ = available > max_line_;
            begin_ += max_line_;
            return line_to(max_line_);
        }
        if (!refill()) {
            // After a failed read the bytes held are the start of a line, not a last line.
            if (available == 0 || failed())
                return {};
            // The last line of the input has no line end.
            line_begin_ = begin_;
            begin_ += available;
            return line_to(available);
        }
    }
}

} // namespace q9xz
