#pragma once

#include <chrono>
#include <string>

namespace q9xz {

// How long the window waits for xdg-open to say whether it found a program.
inline constexpr std::chrono::milliseconds OPENER_WAIT{5000};

// Starts the desktop's default program for a document or web address ("xdg-open TARGET"),
// directly and never through a shell, so no name can run a command. False when it could not
// start one: xdg-open is missing or ends with a failure (no program for the address) within
// `wait`. Still running after `wait`, it is taken as started: on some desktops xdg-open lasts as
// long as the program it started. Its output is silenced; the caller tells the user.
bool open_with_default_program(const std::string& target,
                               std::chrono::milliseconds wait = OPENER_WAIT);

} // namespace q9xz
