#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "CliApplication.h"
#include "platform/SettingsKey.h"

int main(int argc, char** argv) {
    // Nothing escapes: a fault the engine does not handle is reported, never a crash.
    try {
        platform::CSystemSettingsKeys settingsKeys;
        return cli::RunCli(std::vector<std::string>(argv + 1, argv + argc), settingsKeys);
    } catch (const std::exception& fault) {
        std::cerr << "quarvel-cli\nUnexpected error: " << fault.what() << '\n';
    } catch (...) {
        std::cerr << "quarvel-cli\nUnexpected error\n";
    }
    return cli::kExitWithErrors;
}
