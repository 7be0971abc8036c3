#include "common/line_reader.h"

#include "common/native_path.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

namespace q9xz {

namespace {

// Bytes asked of the file per read; large blocks keep the per-line cost at a memchr.
constexpr std::size_t BLOCK = 1u << 20;
constexpr char CTRL_Z = 0x1A;

} // namespace

LineReader::LineReader(std::FILE* file, std::size_t max_line)
    : file_(file), max_line_(max_line == 0 ? 1 : max_line) {
    if (file_ == nullptr) {
        at_end_ = true;
        return;
    }
    // Our own buffer does the buffering.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    buffer_.resize(max_line_ + 1 + BLOCK + PADDING);
}

LineReader::LineReader(std::string text, std::size_t max_line)
    : max_line_(max_line == 0 ? 1 : max_line) {
    end_ = text.size();
    text.resize(end_ + PADDING);
    buffer_.assign(text.begin(), text.end());
    at_end_ = true;
    // An empty text has no storage at all, and memchr must not see a null pointer.
    if (end_ == 0)
        return;
    if (const void* z = std::memchr(buffer_.data(), CTRL_Z, end_))
        end_ = static_cast<const char*>(z) - buffer_.data();
}

LineReader::~LineReader() {
    close();
}

LineReader::LineReader(LineReader&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)), max_line_(other.max_line_),
      buffer_(std::move(other.buffer_)), begin_(other.begin_), line_begin_(other.line_begin_),
      hold_(other.hold_), moved_by_(other.moved_by_), end_of_line_(other.end_of_line_),
      after_line_(other.after_line_), end_marked_(other.end_marked_), end_(other.end_), at_end_(other.at_end_),
      read_error_(other.read_error_), dropped_(other.dropped_) {}

LineReader& LineReader::operator=(LineReader&& other) noexcept {
    if (this != &other) {
        close();
        file_ = std::exchange(other.file_, nullptr);
        max_line_ = other.max_line_;
        buffer_ = std::move(other.buffer_);
        begin_ = other.begin_;
        line_begin_ = other.line_begin_;
        hold_ = other.hold_;
        moved_by_ = other.moved_by_;
        end_of_line_ = other.end_of_line_;
        after_line_ = other.after_line_;
        end_marked_ = other.end_marked_;
        end_ = other.end_;
        at_end_ = other.at_end_;
        read_error_ = other.read_error_;
        dropped_ = other.dropped_;
    }
    return *this;
}

std::unique_ptr<LineReader> LineReader::open(const std::string& path, std::size_t max_line) {
    std::error_code error;
    if (path.empty() || std::filesystem::is_directory(path_of(path), error))
        return nullptr;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return nullptr;
    return std::make_unique<LineReader>(file, max_line);
}

void LineReader::close() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    at_end_ = true;
    begin_ = end_ = line_begin_ = end_of_line_ = 0;
    after_line_ = 0;
    end_marked_ = false;
    hold_ = NOT_HELD;
    buffer_.clear();
    buffer_.shrink_to_fit();
}

bool LineReader::refill() {
    if (at_end_ || file_ == nullptr)
        return false;
    // The bytes still wanted move to the front: those not read yet, and the held ones.
    const std::size_t keep = hold_ < begin_ ? hold_ : begin_;
    if (keep > 0) {
        std::memmove(buffer_.data(), buffer_.data() + keep, end_ - keep);
        end_ -= keep;
        begin_ -= keep;
        if (hold_ != NOT_HELD)
            hold_ -= keep;
        moved_by_ -= static_cast<std::ptrdiff_t>(keep);
        dropped_ += keep;
    }
    if (buffer_.size() - PADDING == end_) {
        // Held bytes fill the memory: it grows, and so the held bytes move.
        const char* before = buffer_.data();
        buffer_.resize(buffer_.size() + BLOCK);
        moved_by_ += buffer_.data() - before;
    }
    std::size_t room = buffer_.size() - PADDING - end_;
    std::size_t got = std::fread(buffer_.data() + end_, 1, room, file_);
    if (got == 0) {
        at_end_ = true;
        if (std::ferror(file_))
            read_error_ = errno != 0 ? errno : EIO;
        return false;
    }
    if (const void* z = std::memchr(buffer_.data() + end_, CTRL_Z, got)) {
        got = static_cast<const char*>(z) - (buffer_.data() + end_);
        at_end_ = true;
    }
    end_ += got;
    return got > 0;
}

// A line read_line() does not take at once: one that ends with CR LF, or only after a refill,
// or one cut at max_line(), or the last line without a line end.
std::string_view LineReader::read_other_line() {
    for (;;) {
        std::size_t available = end_ - begin_;
        // A CR LF pair counts as one character, so one more raw byte may belong to the line.
        std::size_t window = available < max_line_ + 1 ? available : max_line_ + 1;
        char* start = buffer_.data() + begin_;
        auto* lf = window > 0 ? static_cast<char*>(std::memchr(start, '\n', window)) : nullptr;
        line_begin_ = begin_;
        if (lf != nullptr) {
            std::size_t raw = static_cast<std::size_t>(lf - start) + 1;
            if (raw >= 2 && lf[-1] == '\r') {
                lf[-1] = '\n';
                begin_ += raw;
                return line_to(raw - 1);
            }
            if (raw <= max_line_) {
                begin_ += raw;
                return line_to(raw);
            }
        }
        if (available >= max_line_ + 1 || (at_end_ && available >= max_line_)) {
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
