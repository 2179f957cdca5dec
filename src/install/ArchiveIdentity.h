#pragma once

#include <cstdint>
#include <string>

namespace install {

// What tells two archive files apart: an archive found inside another one may
// be a copy of it, and unpacking it again would never end.
struct SArchiveIdentity {
    std::string m_strPath;
    std::uint64_t m_nSize = 0;
    bool m_bReadable = false;
};

SArchiveIdentity IdentifyArchive(const std::string& path);

// True when both files hold the same bytes (compared only when the sizes agree).
bool SameArchiveContent(const SArchiveIdentity& a, const SArchiveIdentity& b);

}  // namespace install
