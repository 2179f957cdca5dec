#pragma once

#include <cstdint>
#include <string>

#include "../ErrorCodes.h"
#include "../FileOperations.h"

namespace platform::win32 {

// CopyFile of the Windows backend: the copy is written beside the destination
// and moved over it once whole, so a full disk never leaves it half-written.
// With linkable, a new file copied from below that folder that has no other
// name yet becomes a hard link to it instead.
ErrorCode CopyFileWhole(const std::string& source, const std::string& destination,
                        SCopyDigest* digest, const std::string& linkable);

// The CRC-32 and size of a file's content.
ErrorCode Checksum(const std::string& path, std::uint32_t& crc, std::uint64_t& size);

// CFileOperations::LinkOrCopy: a hard link where the file system allows, else a copy.
ErrorCode LinkOrCopy(const std::string& source, const std::string& keep);

}  // namespace platform::win32
