#include "FuzzScratch.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>

namespace fuzz {
namespace {

// Never destroyed, so that the exit handler can still use it.
std::string* g_pScratch = nullptr;

}  // namespace

const std::string& ScratchFolder(const char* target) {
    if (g_pScratch == nullptr) {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base                                  ? base
                                          : std::filesystem::exists("/dev/shm") ? "/dev/shm"
                                                                                : "/tmp") +
                              "/quarvel-" + target + "-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        g_pScratch = new std::string(pattern);
        std::atexit([] { std::filesystem::remove_all(*g_pScratch); });
    }
    return *g_pScratch;
}

void Require(bool condition, const char* target, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "%s: %s\n", target, what);
        std::abort();
    }
}

}  // namespace fuzz
