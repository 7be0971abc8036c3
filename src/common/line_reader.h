#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace q9xz {

// Reads a log line by line, like fgets on a Windows text-mode stream, on every platform: the
// file is opened in binary and our own code applies the text-mode rules (a CR LF pair reads as
// one LF, a lone CR stays a CR, a Ctrl-Z byte ends the input). Reading is done in large blocks.
class LineReader {
  public:
    // The most characters one read returns, line end included. Real logs put whole records of
    // several thousand characters on one line, so the limit is generous; it exists so that a
    // file without line ends, picked by mistake, is never read into memory whole.
    static constexpr std::size_t MAX_LINE = 1u << 20;

    // Takes ownership of an open file; it is closed by close() or the destructor.
    explicit LineReader(std::FILE* file, std::size_t max_line = MAX_LINE);
    // Reads from text held in memory (tests, fuzzing).
    explicit LineReader(std::string text, std::size_t max_line = MAX_LINE);
    ~LineReader();
    LineReader(LineReader&&) noexcept;
    LineReader& operator=(LineReader&&) noexcept;
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Opens a file for reading; nullptr when it cannot be opened or is a folder.
    static std::unique_ptr<LineReader> open(const std::string& path,
                                            std::size_t max_line = MAX_LINE);

    // Bytes after the end of every line that may be read, so that a scan may look at a whole
    // word or vector of bytes where the line has fewer left. The first of them reads as zero
    // until the next read, so a scan that stops at a zero byte stops at the line's end; the
    // others have unspecified values. A caller changing the line (see last_line()) may write
    // them back as it read them.
    static constexpr std::size_t PADDING = 32;

    // The characters up to and including the next LF, at most max_line() of them. The view stays
    // valid until the next call, or longer while held. Empty when nothing could be read.
    std::string_view read_line() {
        moved_by_ = 0;
        if (end_marked_) {
            buffer_[end_of_line_] = after_line_;
            end_marked_ = false;
        }
        // The usual line lies whole in the buffer and is not too long.
        const std::size_t available = end_ - begin_;
        char* start = buffer_.data() + begin_;
        char* lf = first_line_end(start, available < max_line_ ? available : max_line_);
        if (lf == nullptr)
            return read_other_line();
        line_begin_ = begin_;
        const std::size_t raw = static_cast<std::size_t>(lf - start) + 1;
        begin_ += raw;
        if (raw >= 2 && lf[-1] == '\r') {
            // CR LF reads as LF.
            lf[-1] = '\n';
            return line_to(raw - 1);
        }
        return line_to(raw);
    }
    // The line last read, for a caller that changes it in place (the reader never reads a line
    // twice, so the change is the caller's own business).
    char* last_line() { return buffer_.data() + line_begin_; }

    // Keeps the bytes from `from` on, a position in the last line read or in a line held
    // before it, in memory after later reads. When a read has to make room it moves them, with
    // the bytes not read yet, to the front of its memory: moved_by() then tells by how much.
    // A reader has one held position; hold() replaces it.
    void hold(const char* from) { hold_ = static_cast<std::size_t>(from - buffer_.data()); }
    void release() { hold_ = NOT_HELD; }
    // Bytes held, from the held position to the end of the last line read; 0 when none.
    std::size_t held() const { return hold_ == NOT_HELD ? 0 : begin_ - hold_; }
    // Bytes of the input read so far, line ends included.
    std::size_t position() const { return dropped_ + begin_; }
    // How far the held bytes moved during the last read_line(): 0, or a negative offset.
    std::ptrdiff_t moved_by() const { return moved_by_; }

    // True once reading the file failed (a bad sector, a dropped network share): the empty
    // read_line() that followed was not the end of the log. Stays set after close().
    bool failed() const { return read_error_ != 0; }
    // The errno value of the failed read, 0 while none failed.
    int read_error() const { return read_error_; }

    std::size_t max_line() const { return max_line_; }
    void close();

  private:
    bool refill();
    std::string_view read_other_line();
    // The first LF among the `size` bytes at `p` (which has PADDING readable bytes after the
    // valid ones), or nullptr. Most lines hold one field and end within a few words: those are
    // looked at a word at a time here, the rest of a longer line by memchr.
    static char* first_line_end(char* p, std::size_t size) {
        constexpr std::size_t SHORT = 32;
        std::size_t looked = 0;
        if constexpr (std::endian::native == std::endian::little) {
            constexpr std::uint64_t ONES = 0x0101010101010101u;
            constexpr std::uint64_t HIGHS = 0x8080808080808080u;
            for (; looked < SHORT; looked += 8) {
                if (looked >= size)
                    return nullptr;
                std::uint64_t word;
                std::memcpy(&word, p + looked, 8);
                word ^= ONES * '\n';
                // The lowest byte marked is the first zero: marks above it may be false.
                if (const std::uint64_t found = (word - ONES) & ~word & HIGHS; found != 0) {
                    const std::size_t at = looked + std::countr_zero(found) / 8;
                    return at < size ? p + at : nullptr;
                }
            }
        }
        if (looked >= size)
            return nullptr;
        return static_cast<char*>(std::memchr(p + looked, '\n', size - looked));
    }
    // Marks the end of the line from line_begin_ to begin_ with a zero.
    std::string_view line_to(std::size_t size) {
        end_of_line_ = line_begin_ + size;
        after_line_ = buffer_[end_of_line_];
        buffer_[end_of_line_] = '\0';
        end_marked_ = true;
        return {buffer_.data() + line_begin_, size};
    }

    std::FILE* file_ = nullptr;
    std::size_t max_line_;
    std::vector<char> buffer_;
    static constexpr std::size_t NOT_HELD = static_cast<std::size_t>(-1);
    std::size_t begin_ = 0;      // first unread byte
    std::size_t line_begin_ = 0; // first byte of the last line read
    std::size_t hold_ = NOT_HELD;
    std::ptrdiff_t moved_by_ = 0;
    // The byte a zero stands in for after the last line read, at end_of_line_, if marked.
    std::size_t end_of_line_ = 0;
    char after_line_ = 0;
    bool end_marked_ = false;
    std::size_t end_ = 0;   // end of the valid bytes
    bool at_end_ = false;   // no more bytes will come (end of file, Ctrl-Z or read error)
    int read_error_ = 0;    // errno of the read error that ended the input
    std::size_t dropped_ = 0; // bytes read and let go from the front of buffer_
};

} // namespace q9xz
