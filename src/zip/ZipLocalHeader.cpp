#include "ZipLocalHeader.h"

#include "ZipException.h"
#include "ZipFieldReader.h"
#include "ZipVolume.h"

namespace zip {

CZipLocalHeader CZipLocalHeader::Read(CZipVolume& volume) {
    unsigned char bytes[kLocalHeaderSize];
    volume.ReadBytes(bytes, kLocalHeaderSize, true,
                     "the archive ends inside the local header of {entry}");
    CZipFieldReader fields(bytes, sizeof bytes);
    CZipLocalHeader header;
    const std::uint32_t signature = fields.ReadUInt32();
    fields.Skip(2);  // version needed
    header.m_nFlags = fields.ReadUInt16();
    header.m_nMethod = fields.ReadUInt16();
    fields.Skip(4);  // time and date
    header.m_nCrc32 = fields.ReadUInt32();
    header.m_nCompressedSize = fields.ReadUInt32();
    header.m_nUncompressedSize = fields.ReadUInt32();
    header.m_nNameSize = fields.ReadUInt16();
    header.m_nExtraSize = fields.ReadUInt16();
    if (!fields.IsValid() || signature != kLocalSignature) {
        volume.ThrowError(kErrBadArchive, "the local header of {entry} has no valid signature");
    }
    return header;
}

}  // namespace zip
