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
            if (is_digit(c))
                state_ = LENGTH;
            else if (state_ == LENGTH && c == ':')
                state_ = TYPE_START;
            else if (state_ == LENGTH && c == '>')
                state_ = FOUND;
            else
                restart(c);
            break;
        case TYPE_START:
        case TYPE:
            if (is_letter(c))
                state_ = TYPE;
            else if (state_ == TYPE && c == '>')
                state_ = FOUND;
            else
                restart(c);
            break;
        default:
            break;
        }
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
