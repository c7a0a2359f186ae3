// dorvane-run: runs scenario scripts against the control, headless, on a
// virtual clock. See README.md beside this file for the language.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "run/remote_session.h"
#include "run/runner.h"

int main(int argc, char** argv) {
    try {
        std::vector<std::string> args(argv + 1, argv + argc);
        return dorvane::script::run_main(args, std::cout, std::cerr,
                                         dorvane::script::remote_sessions);
    } catch (const std::exception& e) {
        std::cerr << "dorvane-run: " << e.what() << "\n";
        return 2;
    }
}
