#pragma once

#include <string>

#include "ZipEntry.h"

namespace zip {

// Gives an extracted file or folder the entry's permissions: the stored Unix
// mode for entries made on Unix, else the DOS read-only bit. Returns false
// when the file system refused.
bool ApplyEntryAttributes(const std::string& path, const CZipEntry& entry, bool directory);

// Stamps an extracted file with the entry's time and attributes and returns the
// extraction result: -2 when the attributes could not be set, 0 when the time
// could not, otherwise the result given.
int StampExtractedFile(const std::string& path, const CZipEntry& entry, int result);

}  // namespace zip
