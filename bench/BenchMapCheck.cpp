// Checks every map of a mod directory as Tools > Check Installed Maps does and
// prints the check's last line ("1000 maps checked, 50 with something
// missing."), so that bench/run can time it.
//
//     bench_map_check MOD_DIRECTORY

#include <cstdio>
#include <exception>
#include <string>

#include "bsp/MapCheck.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_map_check MOD_DIRECTORY\n");
        return 2;
    }
    try {
        const std::string log = bsp::CheckModMapsLog(argv[1]);
        const std::size_t last = log.rfind("\r\n", log.size() - 3);
        std::printf("%s\n", log.substr(last + 2, log.size() - last - 4).c_str());
    } catch (const std::exception& fault) {
        std::fprintf(stderr, "bench_map_check: %s\n", fault.what());
        return 1;
    }
    return 0;
}
