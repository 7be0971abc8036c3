#include "cli/run_cli.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    return q9xz::run_cli(arguments, std::cout, std::cerr);
}
