#include "app/update/update_texts.h"

namespace q9xz {

namespace {

// The system's message as part of a sentence: "Connection refused" reads "connection refused",
// while a leading abbreviation ("SSL connect error") keeps its capitals.
std::string in_sentence(std::string_view message) {
    std::string text(message);
    if (text.size() > 1 && text[0] >= 'A' && text[0] <= 'Z' && text[1] >= 'a' && text[1] <= 'z')
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

} // namespace

// Plain words about what happened to the server, whatever the step: a user can act on an
// unknown name, a refused connection or an untrusted certificate, not on a function name.
std::string update_failure_text(UpdateStep, const HttpFailure& failure, std::string_view host) {
    const std::string server(host);
    switch (failure.kind) {
    case HttpFailureKind::NAME_NOT_RESOLVED:
        return "Could not reach the update server " + server + ": the name could not be resolved.";
    case HttpFailureKind::CANNOT_CONNECT:
        return "Could not reach the update server " + server + ": " + in_sentence(failure.message) +
               ".";
    case HttpFailureKind::UNTRUSTED:
        return "The update server " + server +
               " could not be trusted: " + in_sentence(failure.message) + ".";
    case HttpFailureKind::TIMED_OUT:
        return "The update server " + server + " did not answer in time.";
    case HttpFailureKind::BROKEN_ANSWER:
        break;
    }
    return UPDATE_UNREADABLE_ANSWER;
}

std::string update_status_text(int status, std::string_view host) {
    return "The update server " + std::string(host) + " answered with status " +
           std::to_string(status) + ".";
}

} // namespace q9xz
