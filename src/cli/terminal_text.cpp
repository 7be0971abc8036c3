#include "cli/terminal_text.h"

namespace q9xz {

namespace {

bool is_control(unsigned char byte) {
    return (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') || byte == 0x7F;
}

} // namespace

TerminalText::int_type TerminalText::overflow(int_type byte) {
    if (traits_type::eq_int_type(byte, traits_type::eof()))
        return traits_type::not_eof(byte);
    const char c = traits_type::to_char_type(byte);
    return xsputn(&c, 1) == 1 ? byte : traits_type::eof();
}

std::streamsize TerminalText::xsputn(const char* bytes, std::streamsize count) {
    constexpr char DIGITS[] = "0123456789abcdef";
    std::streamsize plain = 0; // bytes before `i` not passed on yet
    for (std::streamsize i = 0; i < count; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (!is_control(byte))
            continue;
        const char escape[] = {'\\', 'x', DIGITS[byte >> 4], DIGITS[byte & 0xF]};
        if (target_->sputn(bytes + plain, i - plain) != i - plain ||
            target_->sputn(escape, sizeof escape) != sizeof escape)
            return plain;
        plain = i + 1;
    }
    if (target_->sputn(bytes + plain, count - plain) != count - plain)
        return plain;
    return count;
}

EscapedOnTerminal::EscapedOnTerminal(std::ostream& stream, bool terminal)
    : stream_(stream), original_(stream.rdbuf()), filter_(original_) {
    if (terminal)
        stream_.rdbuf(&filter_);
}

EscapedOnTerminal::~EscapedOnTerminal() {
    stream_.flush();
    stream_.rdbuf(original_);
}

} // namespace q9xz
