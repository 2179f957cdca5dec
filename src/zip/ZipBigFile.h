#pragma once

#include <string>

#include "platform/File.h"

namespace zip {

// The archive file (or the current volume of a spanned archive). Reads, seeks
// and lengths are the platform file's own and use 64-bit positions.
class CZipBigFile : public platform::CFile {
  public:
    // The volume layer renames the file object when it moves to another volume.
    void SetFilePath(const std::string& path) override { CFile::SetFilePath(path); }
};

}  // namespace zip
