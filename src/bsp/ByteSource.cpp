#include "ByteSource.h"

#include <algorithm>

#include "BspException.h"
#include "platform/ErrorCodes.h"

namespace bsp {

std::string ReadRange(CByteSource& source, std::uint64_t offset, std::uint64_t count,
                      const std::string& what) {
    // Compared without adding, so that no offset can wrap around.
    if (offset > source.Size() || count > source.Size() - offset) {
        throw CBspException("damaged: " + what + " runs past the end of the file");
    }
    return source.ReadAt(offset, static_cast<std::size_t>(count));
}

std::string CMemorySource::ReadAt(std::uint64_t offset, std::size_t count) {
    if (offset > m_bytes.size() || count > m_bytes.size() - offset) {
        throw CBspException("damaged: a read runs past the end of the file");
    }
    return std::string(m_bytes.substr(static_cast<std::size_t>(offset), count));
}

CFileSource::CFileSource(const std::string& path, std::uint64_t offset, std::uint64_t length) {
    platform::CFileException error;
    std::uint64_t size = 0;
    try {
        if (m_file.Open(path, platform::CFile::modeRead, &error)) {
            size = m_file.GetLength();
        }
    } catch (const platform::CFileException& fault) {
        error = fault;
    }
    if (!m_file.IsOpen() || error.m_lOsError != 0) {
        throw CBspException(error.m_lOsError == platform::kErrorNotRegularFile
                                ? std::string("it is not a regular file")
                                : "the file could not be opened (error " +
                                      std::to_string(error.m_lOsError) + ")");
    }
    if (length == kWholeFile) {
        length = size - std::min(offset, size);
    }
    if (offset > size || length > size - offset) {
        throw CBspException("damaged: it runs past the end of the file holding it");
    }
    m_nOffset = offset;
    m_nLength = length;
}

std::string CFileSource::ReadAt(std::uint64_t offset, std::size_t count) {
    if (offset > m_nLength || count > m_nLength - offset) {
        throw CBspException("damaged: a read runs past the end of the file");
    }
    std::string bytes(count, '\0');
    try {
        m_file.Seek(static_cast<std::int64_t>(m_nOffset + offset), platform::CFile::begin);
        if (m_file.Read(bytes.data(), static_cast<std::uint32_t>(count)) != count) {
            throw CBspException("the file became shorter while it was read");
        }
    } catch (const platform::CFileException& error) {
        throw CBspException("the file could not be read (error " +
                            std::to_string(error.m_lOsError) + ")");
    }
    return bytes;
}

}  // namespace bsp
