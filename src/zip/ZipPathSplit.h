#pragma once

#include <string>
#include <string_view>

namespace zip {

// Splits a path into drive ("C:" when the path starts with a letter and a
// colon), folder (up to and including the last separator), name and extension
// (from the name's last dot). Stored names are split the same way, so a name
// made on Windows keeps its drive apart from the folders below it.
class CZipPathSplit {
  public:
    explicit CZipPathSplit(std::string_view path);

    // Drive and folder: "C:/a/" for "C:/a/b.txt".
    static std::string DriveDir(std::string_view path);
    // The name without extension: "b" for "C:/a/b.txt".
    static std::string Title(std::string_view path);
    // Folder without leading separators, then name and extension: "a/b.txt".
    static std::string PathNoDrive(std::string_view path);
    // The name and extension: "b.txt".
    static std::string NameExt(std::string_view path);

    std::string m_strDrive;
    std::string m_strDir;
    std::string m_strName;
    std::string m_strExt;
};

// True when a stored name stays below the folder it is extracted into: after
// the drive and leading separators are stripped it has no ".." component, and
// it has no NUL byte and is valid UTF-8 (as every converted name is, unless it
// was flagged UTF-8 falsely). The install driver logs names that fail this; ExtractEntry refuses
// them.
bool IsConfinedEntryName(std::string_view name);

// Creates a folder and every missing folder above it. A file in the way makes
// it fail.
bool CreateDirectories(const std::string& path);

}  // namespace zip
