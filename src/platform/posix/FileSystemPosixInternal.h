#pragma once

#include <cstdint>
#include <string>

#include "../ErrorCodes.h"
#include "../FileOperations.h"

namespace platform::posix {

// ResolvePath, also telling whether the path exists as written. With
// listFirst (for a name that is most likely new) the folder is listed before
// the name is looked up itself.
std::string Resolve(const std::string& path, bool& exists, bool listFirst = false);

// CopyFile to a destination already resolved; missing says that it was just
// found not to exist, which spares looking again.
// With linkable, a new file copied from below that folder and not linked yet
// is installed as a hard link to it where the file system allows.
ErrorCode CopyToResolved(const std::string& source, const std::string& to, bool missing,
                         SCopyDigest* digest = nullptr, const std::string& linkable = {});

// CFileOperations::LinkOrCopy and Checksum of the posix backend.
ErrorCode LinkOrCopy(const std::string& source, const std::string& keep);
ErrorCode Checksum(const std::string& path, std::uint32_t& crc, std::uint64_t& size);

// Keeps the letter-case index current after the program made an entry.
void NoteCreated(const std::string& path);

// The permission bits of a file the program writes: 0666 less the umask, and
// no write bits for a read-only source.
unsigned OrdinaryFileMode(bool readOnly);

}  // namespace platform::posix
