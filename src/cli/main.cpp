#include "cli/run_cli.h"
#include "cli/standard_streams.h"
#include "cli/terminal_text.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    q9xz::hold_closed_standard_descriptors();
    q9xz::read_standard_input_in_binary();
    const q9xz::EscapedOnTerminal out(std::cout, q9xz::is_terminal(stdout));
    const q9xz::EscapedOnTerminal err(std::cerr, q9xz::is_terminal(stderr));
    return q9xz::run_cli(arguments, std::cout, std::cerr, stdin);
}
