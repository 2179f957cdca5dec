// Walks one Steam library folder with the mod directory discovery and prints
// how many candidates it found, so that bench/run can time the walk against
// find.
//
//     bench_steam_scan FOLDER

#include <cstdio>
#include <exception>
#include <string>

#include "platform/MessageBoxHost.h"
#include "settings/ModDirDiscovery.h"

namespace {

// The walk itself asks nothing; a box would be a fault worth seeing.
class CReportingMessageBoxes : public platform::CMessageBoxHost {
  public:
    int MessageBox(const std::string& text, const std::string& caption, unsigned) override {
        std::fprintf(stderr, "bench_steam_scan: %s: %s\n", caption.c_str(), text.c_str());
        return platform::kIdOk;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_steam_scan FOLDER\n");
        return 2;
    }
    try {
        CReportingMessageBoxes messageBoxes;
        settings::CCandidateList candidates;
        std::string directory;
        settings::CModDirDiscovery discovery(messageBoxes, candidates, directory, false);
        discovery.ScanForModDirs(argv[1]);
        std::printf("%d\n", candidates.GetCount());
    } catch (const std::exception& fault) {
        std::fprintf(stderr, "bench_steam_scan: %s\n", fault.what());
        return 1;
    }
    return 0;
}
