#pragma once

#include <ostream>
#include <streambuf>

namespace q9xz {

// The bytes of the converter's printed lines as a terminal is to get them: control bytes (0x00 to
// 0x1F other than tab, LF and CR, and 0x7F) as "\x1b"-style escapes, so that a CALL or a file
// name holding escape sequences cannot retitle, clear or reprogram the user's terminal. Every
// other byte, a backslash too, passes as it is.
class TerminalText : public std::streambuf {
  public:
    // Passes what is written through it on to `target`.
    explicit TerminalText(std::streambuf* target) : target_(target) {}

  protected:
    int_type overflow(int_type byte) override;
    std::streamsize xsputn(const char* bytes, std::streamsize count) override;
    int sync() override { return target_->pubsync(); }

  private:
    std::streambuf* target_;
};

// Sends what `stream` prints through a TerminalText for as long as it lives, when `terminal` is
// true; a file or a pipe gets the bytes as they are, so that programs reading them see the same.
class EscapedOnTerminal {
  public:
    EscapedOnTerminal(std::ostream& stream, bool terminal);
    ~EscapedOnTerminal();
    EscapedOnTerminal(const EscapedOnTerminal&) = delete;
    EscapedOnTerminal& operator=(const EscapedOnTerminal&) = delete;

  private:
    std::ostream& stream_;
    std::streambuf* original_;
    TerminalText filter_;
};

} // namespace q9xz
