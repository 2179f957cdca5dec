#include "ArchiveReader.h"

// A build without libarchive (the Windows build: Debian has no libarchive for
// mingw) still knows these archives by their bytes, so it can say why it
// skips one instead of calling it damaged or unknown.

namespace archives {

CArchiveReader::CArchiveReader() = default;

CArchiveReader::~CArchiveReader() = default;

void CArchiveReader::Fail(const char* what) const {
    throw CArchiveError(std::string("unsupported: ") + what);
}

void CArchiveReader::Open(const std::vector<std::string>&) {
    Fail("this build of Quarvel reads zip archives only, not RAR, 7z or tar");
}

bool CArchiveReader::NextEntry(SEntry&) {
    Fail("this build of Quarvel reads zip archives only, not RAR, 7z or tar");
}

std::uint64_t CArchiveReader::WriteData(platform::CFile&, std::uint64_t,
                                        const std::function<void(std::uint64_t)>&) {
    Fail("this build of Quarvel reads zip archives only, not RAR, 7z or tar");
}

std::string CArchiveReader::FormatName() const {
    return "archive";
}

}  // namespace archives
