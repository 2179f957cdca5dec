#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "ErrorCodes.h"
#include "FileOperations.h"

namespace platform {

// Every function here takes paths as the program builds them. A component that
// does not exist as written is matched to an existing entry that differs only
// in letter case (see ResolvePath), so the program sees one file system that
// ignores case, as it would on Windows.

// Returns the path with each component that does not exist as written replaced
// by the existing entry whose name differs only in case (exact match first,
// else the first such name in byte order). Components from the first one that
// has no match on are kept as written.
std::string ResolvePath(const std::string& path);

// ResolvePath for a file about to be created: the same result, found by
// listing its folder before looking for the name itself, which spares a step
// when the name is new.
std::string ResolveNewFilePath(const std::string& path);

// What is at a path: 1 a file, -1 a folder, 0 nothing (links are followed).
int PathKind(const std::string& path);

// True when the path itself is a symbolic link.
bool IsLink(const std::string& path);

// True when both paths name the same existing file or folder (links followed).
bool IsSameFile(const std::string& a, const std::string& b);

// Copies a file over an existing destination, like CopyFileA with
// fail-if-exists false. A read-only destination or a folder in the way is
// refused with kErrorAccessDenied. The destination is replaced only once the
// whole copy has been written, so a full disk never leaves it half-written.
// The copy keeps the source's permission bits and modification time.
ErrorCode CopyFile(const std::string& source, const std::string& destination);

// CopyFile, also giving the path written to: the destination as ResolvePath
// makes it (also when the copy fails). The destination's folder is searched for
// another letter case once, where resolving first and copying then would
// search it twice.
ErrorCode CopyFile(const std::string& source, const std::string& destination, std::string& written,
                   SCopyDigest* digest = nullptr, const std::string& linkable = {});

// Makes a file "archive only": writable by its owner (read-only cleared).
ErrorCode SetArchiveOnly(const std::string& path);

// Applies Windows file attributes: read-only (0x01) clears every write bit,
// otherwise the owner may write.
ErrorCode SetFileAttributes(const std::string& path, std::uint32_t attributes);

// Sets the permission bits (masked to 0777: never set-id or sticky).
ErrorCode SetFileMode(const std::string& path, std::uint32_t mode);

// Sets the last-write time; the access time becomes now.
ErrorCode SetLastWriteTime(const std::string& path, std::time_t lastWrite);

// The presence probe: opens an existing file (never a folder) and closes it again.
ProbeHandle OpenProbe(const std::string& path, ErrorCode* error = nullptr);
ErrorCode CloseProbe(ProbeHandle handle);

// Creates one folder level. An existing folder or file of that name gives
// kErrorAlreadyExists, a missing parent kErrorPathNotFound. A trailing
// separator is accepted.
ErrorCode CreateDirectory(const std::string& path);

// Creates one folder level that only its owner can enter.
ErrorCode CreatePrivateDirectory(const std::string& path);

// Deletes a file or a link (never what a link points to). A read-only file or
// a folder is refused with kErrorAccessDenied.
ErrorCode DeleteFile(const std::string& path);

// Removes an empty folder.
ErrorCode RemoveDirectory(const std::string& path);

// Bytes free for the user on the file system holding the path; none when unknown.
std::optional<std::uint64_t> FreeSpace(const std::string& path);

// A path as a user gives it, made absolute against the current folder, with
// "." and ".." folded away and no trailing separator.
std::string NormalisePath(const std::string& path);

// The per-user folder under which each drop makes its private staging folder:
// on Linux ${XDG_CACHE_HOME:-$HOME/.cache}/quarvel.
std::string StagingBase();

// The per-user folder holding the records of installs and their backups: on
// Linux ${XDG_STATE_HOME:-$HOME/.local/state}/quarvel/installs.
std::string InstallRecordsFolder();

// The per-user folder holding the settings file: on Linux
// ${XDG_CONFIG_HOME:-$HOME/.config}/Quarvel.
std::string SettingsFolder();

}  // namespace platform
