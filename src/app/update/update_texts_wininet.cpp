#include "app/update/update_texts.h"

#include <array>
#include <cstdio>

namespace q9xz {

namespace {

// The texts keep their odd "%lud" and "0x%lux": they print the code twice in decimal with a
// stray letter, and the program has always shown them so.
struct StepFormat {
    UpdateStep step;
    const char* format;
};
constexpr std::array<StepFormat, 4> FAILURE_FORMATS{{
    {UpdateStep::SEND_REQUEST, "HttpSendRequest failed, error = %lud (0x%lux)\n"},
    {UpdateStep::READ_HEADERS, "HttpQueryInfo failed, error = %lu (0x%lux)\n"},
    {UpdateStep::READ_ANSWER, "(1) InternetReadFile failed, error = %lu (0x%lux)\n"},
    {UpdateStep::READ_PROGRAM, "(3) InternetReadFile failed, error = %lud (0x%lux)\n"},
}};

} // namespace

// A step without a format of its own (asking how much of the answer is there) reads as an
// answer that could not be read.
std::string update_failure_text(UpdateStep step, const HttpFailure& failure, std::string_view) {
    const unsigned long code = failure.code;
    for (const StepFormat& entry : FAILURE_FORMATS) {
        if (entry.step != step)
            continue;
        std::array<char, 260> text{};
        std::snprintf(text.data(), text.size(), entry.format, code, code);
        return text.data();
    }
    return UPDATE_UNREADABLE_ANSWER;
}

std::string update_status_text(int status, std::string_view) {
    return "The update server answered with status " + std::to_string(status) + ".";
}

} // namespace q9xz
