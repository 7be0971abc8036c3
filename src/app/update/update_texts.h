#pragma once

#include "app/update/http_client.h"

#include <string>
#include <string_view>

namespace q9xz {

// Where in the update check a request failed.
enum class UpdateStep {
    SEND_REQUEST,     // sending either request, until its headers arrived
    READ_HEADERS,     // reading the headers that arrived
    ANSWER_AVAILABLE, // asking how much of the version answer can be read
    READ_ANSWER,      // reading the version answer
    READ_PROGRAM,     // downloading the program file
};

// The texts of the update's failure boxes, in the words of the platform the program runs on:
// on Windows those the program has always shown, elsewhere plain words about the server `host`.
// One implementation is built per platform, beside its HTTP client.

// A failed request or read.
std::string update_failure_text(UpdateStep step, const HttpFailure& failure, std::string_view host);

// An answer with a status other than 200.
std::string update_status_text(int status, std::string_view host);

// Headers without a status line, or an answer that says no version.
inline constexpr char UPDATE_UNREADABLE_ANSWER[] = "The update server's answer could not be read.";

} // namespace q9xz
