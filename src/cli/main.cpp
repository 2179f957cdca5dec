#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "CliApplication.h"

int main(int argc, char** argv) {
    // Nothing escapes: a fault the engine does not handle is reported, never a crash.
    try {
        return cli::RunCli(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& fault) {
        std::cerr << "quarvel-cli\nUnexpected error: " << fault.what() << '\n';
    } catch (...) {
        std::cerr << "quarvel-cli\nUnexpected error\n";
    }
    return cli::kExitWithErrors;
}
