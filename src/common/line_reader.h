#pragma once

#include <cstddef>
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

    // Bytes after the end of every line that may be read (not written), so that a scan may look
    // at a whole word or vector of bytes where the line has fewer left; their values are
    // unspecified.
    static constexpr std::size_t PADDING = 32;

    // The characters up to and including the next LF, at most max_line() of them. The view stays
    // valid until the next call. Empty when nothing could be read.
    std::string_view read_line();

    // True once reading the file failed (a bad sector, a dropped network share): the empty
    // read_line() that followed was not the end of the log. Stays set after close().
    bool failed() const { return read_error_ != 0; }
    // The errno value of the failed read, 0 while none failed.
    int read_error() const { return read_error_; }

    std::size_t max_line() const { return max_line_; }
    void close();

  private:
    bool refill();

    std::FILE* file_ = nullptr;
    std::size_t max_line_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0; // first unread byte
    std::size_t end_ = 0;   // end of the valid bytes
    bool at_end_ = false;   // no more bytes will come (end of file, Ctrl-Z or read error)
    int read_error_ = 0;    // errno of the read error that ended the input
};

} // namespace q9xz
