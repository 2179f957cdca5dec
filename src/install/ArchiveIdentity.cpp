#include "ArchiveIdentity.h"

#include <algorithm>
#include <vector>

#include "platform/File.h"

namespace install {

SArchiveIdentity IdentifyArchive(const std::string& path) {
    SArchiveIdentity identity;
    identity.m_strPath = path;
    platform::CFile file;
    if (file.Open(path, platform::CFile::modeRead)) {
        identity.m_nSize = file.GetLength();
        identity.m_bReadable = true;
    }
    return identity;
}

bool SameArchiveContent(const SArchiveIdentity& a, const SArchiveIdentity& b) {
    if (!a.m_bReadable || !b.m_bReadable || a.m_nSize != b.m_nSize) {
        return false;
    }
    platform::CFile first;
    platform::CFile second;
    if (!first.Open(a.m_strPath, platform::CFile::modeRead) ||
        !second.Open(b.m_strPath, platform::CFile::modeRead)) {
        return false;
    }
    constexpr std::uint32_t kChunk = 1 << 16;
    std::vector<char> left(kChunk);
    std::vector<char> right(kChunk);
    try {
        for (;;) {
            const std::uint32_t got = first.Read(left.data(), kChunk);
            if (second.Read(right.data(), kChunk) != got ||
                !std::equal(left.begin(), left.begin() + got, right.begin())) {
                return false;
            }
            if (got < kChunk) {
                return true;
            }
        }
    } catch (const platform::CFileException&) {
        return false;
    }
}

}  // namespace install
