#include "app/update/update_texts.h"

#include <array>
#include <cstdio>

namespace q9xz {

// The texts keep their odd "%lud" and "0x%lux": they print the code twice in decimal with a
// stray letter, and the program has always shown them so.
std::string update_failure_text(UpdateStep step, const HttpFailure& failure, std::string_view) {
    const unsigned long code = failure.code;
    const char* format = nullptr;
    switch (step) {
    case UpdateStep::SEND_REQUEST:
        format = "HttpSendRequest failed, error = %lud (0x%lux)\n";
        break;
    case UpdateStep::READ_HEADERS:
        format = "HttpQueryInfo failed, error = %lu (0x%lux)\n";
        break;
    case UpdateStep::ANSWER_AVAILABLE:
        return UPDATE_UNREADABLE_ANSWER;
    case UpdateStep::READ_ANSWER:
        format = "(1) InternetReadFile failed, error = %lu (0x%lux)\n";
        break;
    case UpdateStep::READ_PROGRAM:
        format = "(3) InternetReadFile failed, error = %lud (0x%lux)\n";
        break;
    }
    std::array<char, 260> text{};
    std::snprintf(text.data(), text.size(), format, code, code);
    return text.data();
}

std::string update_status_text(int status, std::string_view) {
    return "The update server answered with status " + std::to_string(status) + ".";
}

} // namespace q9xz
