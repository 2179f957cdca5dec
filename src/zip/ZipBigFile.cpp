#include "ZipBigFile.h"

#include <algorithm>
#include <cstring>

namespace zip {
namespace {

// The file's own position after a read or seek that failed part way.
constexpr std::uint64_t kUnknownPosition = ~std::uint64_t{0};

}  // namespace

bool CZipBigFile::Open(const std::string& path, unsigned flags, platform::CFileException* error) {
    Forget();
    return CFile::Open(path, flags, error);
}

bool CZipBigFile::OpenParts(const std::vector<std::string>& parts, unsigned flags,
                            platform::CFileException* error) {
    Forget();
    std::vector<std::uint64_t> starts{0};
    for (const std::string& part : parts) {
        platform::CFile piece;
        if (!piece.Open(part, flags, error)) {
            return false;
        }
        starts.push_back(starts.back() + piece.GetLength());
    }
    if (parts.empty() || !CFile::Open(parts.front(), flags, error)) {
        return false;
    }
    m_parts = parts;
    m_partStart = std::move(starts);
    m_nPart = 0;
    m_nFlags = flags;
    return true;
}

void CZipBigFile::Close() {
    Forget();
    CFile::Close();
}

std::uint64_t CZipBigFile::GetLength() const {
    return m_parts.empty() ? CFile::GetLength() : m_partStart.back();
}

void CZipBigFile::OpenPart(std::size_t part) {
    CFile::Close();
    platform::CFileException error;
    if (!CFile::Open(m_parts[part], m_nFlags, &error)) {
        throw error;
    }
    // Faults name the archive by its first piece, whichever is being read.
    SetFilePath(m_parts.front());
    m_nPart = part;
}

std::uint64_t CZipBigFile::SeekFile(std::uint64_t position) {
    if (m_parts.empty()) {
        return CFile::Seek(static_cast<std::int64_t>(position), begin);
    }
    std::size_t part = 0;
    while (part + 1 < m_parts.size() && m_partStart[part + 1] <= position) {
        ++part;
    }
    if (part != m_nPart) {
        OpenPart(part);
    }
    CFile::Seek(static_cast<std::int64_t>(position - m_partStart[part]), begin);
    return position;
}

std::uint32_t CZipBigFile::ReadFile(unsigned char* buffer, std::uint32_t count) {
    std::uint32_t done = CFile::Read(buffer, count);
    while (done < count && m_nPart + 1 < m_parts.size()) {
        OpenPart(m_nPart + 1);
        done += CFile::Read(buffer + done, count - done);
    }
    return done;
}

void CZipBigFile::Forget() {
    m_parts.clear();
    m_partStart.clear();
    m_nPart = 0;
    m_nBlockStart = 0;
    m_nBlockLength = 0;
    m_nPosition = 0;
    m_nFilePosition = 0;
}

void CZipBigFile::SyncFilePosition() {
    if (m_nFilePosition != m_nPosition) {
        m_nFilePosition = kUnknownPosition;
        m_nFilePosition = SeekFile(m_nPosition);
    }
}

std::uint64_t CZipBigFile::GetPosition() const {
    return IsOpen() ? m_nPosition : CFile::GetPosition();
}

std::uint32_t CZipBigFile::Read(void* buffer, std::uint32_t count) {
    if (count == 0) {
        return 0;
    }
    auto* out = static_cast<unsigned char*>(buffer);
    std::uint32_t done = 0;
    // What the block holds of the request.
    if (m_nPosition >= m_nBlockStart && m_nPosition < m_nBlockStart + m_nBlockLength) {
        const auto offset = static_cast<std::uint32_t>(m_nPosition - m_nBlockStart);
        done = std::min(count, m_nBlockLength - offset);
        std::memcpy(out, m_pBlock.get() + offset, done);
        m_nPosition += done;
    }
    const std::uint32_t rest = count - done;
    if (rest == 0) {
        return done;
    }
    SyncFilePosition();
    m_nFilePosition = kUnknownPosition;  // until the read has returned
    if (rest >= kBlockSize / 4) {
        // Large reads gain nothing from the block and would only be copied twice.
        const std::uint32_t got = ReadFile(out + done, rest);
        m_nPosition += got;
        m_nFilePosition = m_nPosition;
        return done + got;
    }
    if (!m_pBlock) {
        m_pBlock = std::make_unique_for_overwrite<unsigned char[]>(kBlockSize);
    }
    m_nBlockStart = m_nPosition;
    m_nBlockLength = 0;  // stays empty if the read throws
    m_nBlockLength = ReadFile(m_pBlock.get(), kBlockSize);
    m_nFilePosition = m_nBlockStart + m_nBlockLength;
    const std::uint32_t more = std::min(rest, m_nBlockLength);
    std::memcpy(out + done, m_pBlock.get(), more);
    m_nPosition += more;
    return done + more;
}

std::uint64_t CZipBigFile::Seek(std::int64_t offset, SeekPosition from) {
    if (!IsOpen()) {
        return CFile::Seek(offset, from);  // refused as a closed file
    }
    std::int64_t target = offset;
    if (from == current) {
        target = static_cast<std::int64_t>(m_nPosition) + offset;
    } else if (from == end && m_parts.empty()) {
        // Asked of the file itself, as only the file knows its end.
        m_nFilePosition = kUnknownPosition;
        m_nPosition = m_nFilePosition = CFile::Seek(offset, end);
        return m_nPosition;
    } else if (from == end) {
        target = static_cast<std::int64_t>(m_partStart.back()) + offset;
    }
    if (target < 0) {
        // Refused by the file exactly as an unbuffered seek would be.
        m_nFilePosition = kUnknownPosition;
        m_nPosition = m_nFilePosition = CFile::Seek(target, begin);
        return m_nPosition;
    }
    m_nPosition = static_cast<std::uint64_t>(target);
    return m_nPosition;
}

}  // namespace zip
