#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace q9xz {

// The record reader's lines: reads a log line by line, on every platform alike. The file is
// opened in binary and a CR LF pair reads as one LF, a lone CR stays a CR, and every other byte
// (Ctrl-Z too) is read as it is. A line longer than max_line() comes in pieces of that size, so
// that no line is ever held whole because it is long.
//
// Blocks and the read-ahead thread. A file is read in blocks of 1 MiB, two at a time, by a thread
// of its own, which also finds the line ends, a block ahead of the lines asked for: the reading
// and the finding then cost the caller's thread nothing where a second core is free, and no more
// than before where there is none (one core, or no thread to be had: the blocks are then read
// when the lines run out). The thread and the reader share only the queue of empty blocks, the
// queue of full ones and a stop flag, under one mutex; a block taken from a queue is touched by
// its taker alone, without the lock, until it is put on the other queue.
//
// Held lines. parse_ADIF leaves a record's plain fields in the lines where they were read
// instead of copying them (AdifRecord::borrow), and asks the reader to keep those lines:
// - hold() at the record's first such line: that line and every one after it stay in memory;
// - a read that goes on in the next block carries the held lines along to its front, and
//   moved_by() says by how much they moved: the record follows (AdifRecord::follow_move);
// - release() once the record is handed on or dropped, or has copied its fields into memory of
//   its own (AdifRecord::compact), which it does before the held lines grow large.
// The caller may change the line last read in place (see last_line(): names are upper-cased
// there).
class LineReader {
  public:
    // The most characters one read returns, line end included: a longer line comes in pieces
    // (see continues()). Real logs put whole records of several thousand characters on one
    // line, so nearly every line is read at once; a file without line ends never is.
    static constexpr std::size_t MAX_LINE = 1u << 20;

    // How the blocks of a file are read: by a thread of their own, ahead of the lines asked for,
    // or when the lines run out. By default a thread where the machine has more than one core.
    enum class Reading { BY_CORES, AHEAD, WHEN_ASKED };

    // Takes ownership of an open file; it is closed by close() or the destructor.
    explicit LineReader(std::FILE* file, std::size_t max_line = MAX_LINE,
                        Reading reading = Reading::BY_CORES);
    // Reads from text held in memory (tests, fuzzing).
    explicit LineReader(std::string text, std::size_t max_line = MAX_LINE);
    ~LineReader();
    LineReader(LineReader&&) noexcept;
    LineReader& operator=(LineReader&&) noexcept;
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Opens a file for reading; nullptr when it cannot be opened or is a folder.
    static std::unique_ptr<LineReader> open(const std::string& path);

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
            memory_[end_of_line_] = after_line_;
            end_marked_ = false;
        }
        converted_cr_ = false;
        // The usual line: its LF is the next one the block's list holds, and it is not too long.
        while (next_end_ < ends_.size() && ends_base_ + ends_[next_end_] < begin_)
            ++next_end_; // passed by read_other_line()
        if (next_end_ == ends_.size())
            return read_other_line();
        const std::size_t lf = ends_base_ + ends_[next_end_];
        const std::size_t raw = lf - begin_ + 1;
        if (raw > max_line_)
            return read_other_line();
        ++next_end_;
        line_begin_ = begin_;
        begin_ = lf + 1;
        continues_ = false;
        if (raw >= 2 && memory_[lf - 1] == '\r') {
            // CR LF reads as LF.
            memory_[lf - 1] = '\n';
            return line_to(raw - 1, true);
        }
        return line_to(raw);
    }
    // Whether the last read was a piece of a longer line, cut at max_line() before its end.
    bool continues() const { return continues_; }
    // Characters of the last read.
    std::size_t last_size() const { return end_of_line_ - line_begin_; }
    // The last `count` characters of the last read (at most last_size()) are read again, as
    // the start of the next read: a reader that stops within a line goes on there later.
    void unread_last(std::size_t count) {
        if (end_marked_) {
            memory_[end_of_line_] = after_line_;
            end_marked_ = false;
        }
        if (converted_cr_) {
            memory_[end_of_line_ - 1] = '\r';
            converted_cr_ = false;
        }
        begin_ = end_of_line_ - count;
        while (next_end_ > 0 && ends_base_ + ends_[next_end_ - 1] >= begin_)
            --next_end_;
    }
    // Whether a well-formed ADIF tag stood anywhere among the bytes read so far (see TagFinder);
    // once the input is read to its end, whether the file holds one at all.
    bool saw_tag() const { return saw_tag_; }
    // The line last read, for a caller that changes it in place (the reader never reads a line
    // twice, so the change is the caller's own business).
    char* last_line() { return memory_ + line_begin_; }

    // Keeps the bytes from `from` on, a position in the last line read or in a line held
    // before it, in memory after later reads. When a read goes on in the next block it takes
    // them along, with the bytes not read yet: moved_by() then tells by how much they moved.
    // A reader has one held position; hold() replaces it.
    void hold(const char* from) { hold_ = static_cast<std::size_t>(from - memory_); }
    void release() { hold_ = NOT_HELD; }
    // Bytes held, from the held position to the end of the last line read; 0 when none.
    std::size_t held() const { return hold_ == NOT_HELD ? 0 : begin_ - hold_; }
    // Bytes of the input read so far, line ends included.
    std::size_t position() const {
        return static_cast<std::size_t>(data_position_ + static_cast<std::ptrdiff_t>(begin_));
    }
    // How far the held bytes moved during the last read_line(), 0 when they stayed.
    std::ptrdiff_t moved_by() const { return moved_by_; }

    // True once reading the file failed (a bad sector, a dropped network share): the empty
    // read_line() that followed was not the end of the log. Stays set after close().
    bool failed() const { return read_error_ != 0; }
    // The errno value of the failed read, 0 while none failed.
    int read_error() const { return read_error_; }

    std::size_t max_line() const { return max_line_; }
    void close();

    // A stretch of the input in memory; the blocks of a file are read ahead by a thread of
    // their own (see the .cpp).
    struct Block;
    class ReadAhead;

  private:
    bool refill();
    std::string_view read_other_line();
    // Takes `block` as the memory lines are read from, with the bytes still wanted from the
    // block before it in front of its own.
    void take_block(std::unique_ptr<Block> block);
    // Marks the end of the line from line_begin_ to begin_ with a zero.
    std::string_view line_to(std::size_t size, bool converted_cr = false) {
        converted_cr_ = converted_cr;
        end_of_line_ = line_begin_ + size;
        after_line_ = memory_[end_of_line_];
        memory_[end_of_line_] = '\0';
        end_marked_ = true;
        return {memory_ + line_begin_, size};
    }

    std::size_t max_line_;
    Reading reading_ = Reading::BY_CORES;
    struct CloseFile {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, CloseFile> file_; // a file not read from yet
    std::unique_ptr<ReadAhead> read_ahead_;      // a file being read
    std::unique_ptr<Block> block_;               // the block lines are read from
    char* memory_ = nullptr;                     // block_'s memory; offsets below count from it
    std::size_t begin_ = 0;                      // first unread byte
    std::size_t end_ = 0;                        // end of the valid bytes
    std::size_t line_begin_ = 0;                 // first byte of the last line read
    // The LFs of the bytes read into block_, at ends_base_ + ends_[i], and the next to come.
    std::span<const std::uint32_t> ends_;
    std::size_t ends_base_ = 0;
    std::size_t next_end_ = 0;
    static constexpr std::size_t NOT_HELD = static_cast<std::size_t>(-1);
    std::size_t hold_ = NOT_HELD;
    std::ptrdiff_t moved_by_ = 0;
    // The byte a zero stands in for after the last line read, at end_of_line_, if marked.
    std::size_t end_of_line_ = 0;
    char after_line_ = 0;
    bool end_marked_ = false;
    bool converted_cr_ = false; // the last read ends in an LF that stands in for a CR LF
    bool continues_ = false;    // the last read was cut before its line end
    bool saw_tag_ = false;
    bool at_end_ = false;              // no more bytes will come (end of file or read error)
    int pending_error_ = 0;            // the read error after the last bytes, not yet reached
    int read_error_ = 0;               // errno of the read error that ended the input
    std::ptrdiff_t data_position_ = 0; // position() of memory_ itself
};

} // namespace q9xz
