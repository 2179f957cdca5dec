#pragma once

#include <string>
#include <vector>

#include "platform/FileOperations.h"

namespace install {

// The files one archive is read from: a single file, or every part of a split
// zip (x.z01 … x.zip, x.zip.001 …), a multi-volume RAR (x.part1.rar …, or
// x.rar, x.r00 …) or a file cut into numbered pieces (x.7z.001 …).
struct SArchiveSet {
    // The same whichever part was given, so that a set dropped whole is
    // installed once: the part the set is opened by.
    std::string m_strCanonicalPath;
    // Every part that is there, in order.
    std::vector<std::string> m_parts;
    bool m_bZipSet = false;  // the zip reader opens it from the canonical part
};

SArchiveSet FindArchiveSet(platform::CFileOperations& fs, const std::string& path);

}  // namespace install
