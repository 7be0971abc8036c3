#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace q9xz {

// Looks through the bytes of a file, in as many pieces as it comes in, for one well-formed ADIF
// tag anywhere: "<NAME:DIGITS>" or "<NAME:DIGITS:TYPE>" (NAME of letters, digits and "_", TYPE
// of letters), or "<EOH>" or "<EOR>" in any letter case. A file without one is no log at all,
// whatever the reader made of it. Every log has one in its first line, so the look costs nothing
// once the first tag is past.
class TagFinder {
  public:
    bool found() const { return state_ == FOUND; }

    void feed(const char* bytes, std::size_t size) {
        const char* end = bytes + size;
        for (const char* p = bytes; p < end && state_ != FOUND; ++p) {
            if (state_ == IDLE) {
                p = static_cast<const char*>(
                    std::memchr(p, '<', static_cast<std::size_t>(end - p)));
                if (p == nullptr)
                    return;
                start_tag();
                continue;
            }
            step(*p);
        }
    }

  private:
    enum State : std::uint8_t { IDLE, NAME, LENGTH_START, LENGTH, TYPE_START, TYPE, FOUND };

    static bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
    static bool is_digit(char c) { return c >= '0' && c <= '9'; }

    void start_tag() {
        state_ = NAME;
        name_size_ = 0;
        name_ = 0;
    }
    // A byte that breaks the tag being read may begin the next one.
    void restart(char c) {
        if (c == '<')
            start_tag();
        else
            state_ = IDLE;
    }

    void step(char c) {
        switch (state_) {
        case NAME:
            if (is_letter(c) || is_digit(c) || c == '_') {
                if (name_size_ < 3)
                    name_ = name_ << 8 | static_cast<std::uint8_t>(c & ~0x20);
                ++name_size_;
            } else if (c == ':' && name_size_ > 0) {
                state_ = LENGTH_START;
            } else if (c == '>' && name_size_ == 3 &&
                       (name_ == END_OF_HEADER || name_ == END_OF_RECORD)) {
                state_ = FOUND;
            } else {
                restart(c);
            }
            break;
        case LENGTH_START:
        case LENGTH:
            run_step(c, is_digit(c), LENGTH);
            break;
        case TYPE_START:
        case TYPE:
            run_step(c, is_letter(c), TYPE);
            break;
        default:
            break;
        }
    }

    // A byte of the length's digits or the type's letters, whose state is `run` once one has
    // been read: one more (`in_run`), or after one at least a ">" that closes the tag, or (after
    // the length) the ":" of a type.
    void run_step(char c, bool in_run, State run) {
        if (in_run)
            state_ = run;
        else if (state_ == run && c == '>')
            state_ = FOUND;
        else if (state_ == LENGTH && c == ':')
            state_ = TYPE_START;
        else
            restart(c);
    }

    // "EOH" and "EOR" upper-cased (the mask above upper-cases letters, and only letters count
    // where these are compared: digits and "_" never give these values).
    static constexpr std::uint32_t END_OF_HEADER = 'E' << 16 | 'O' << 8 | 'H';
    static constexpr std::uint32_t END_OF_RECORD = 'E' << 16 | 'O' << 8 | 'R';

    State state_ = IDLE;
    std::size_t name_size_ = 0;
    std::uint32_t name_ = 0; // the name's first three bytes, upper-cased
};

} // namespace q9xz
