#include "ZipExtraField.h"

#include "ZipFieldReader.h"

namespace zip {
namespace {

constexpr std::uint16_t kZip64ExtraId = 0x0001;

}  // namespace

bool ApplyZip64Extra(const CZipBuffer& extra, const CZip64Values& values) {
    const bool wanted =
        (values.m_pUncompressedSize && *values.m_pUncompressedSize == kZip64Marker32) ||
        (values.m_pCompressedSize && *values.m_pCompressedSize == kZip64Marker32) ||
        (values.m_pLocalHeaderOffset && *values.m_pLocalHeaderOffset == kZip64Marker32) ||
        (values.m_pStartVolume && *values.m_pStartVolume == kZip64Marker16);
    if (!wanted) {
        return true;
    }
    // Fields are id, size and data; a block that ends inside one ends the walk.
    CZipFieldReader block(extra.Data(), extra.Size());
    std::size_t position = 0;
    while (position + 4 <= extra.Size()) {
        const std::uint16_t id = block.ReadUInt16();
        const std::uint16_t size = block.ReadUInt16();
        position += 4;
        if (position + size > extra.Size()) {
            return false;
        }
        if (id != kZip64ExtraId) {
            block.Skip(size);
            position += size;
            continue;
        }
        CZipFieldReader field(extra.Data() + position, size);
        for (std::uint64_t* value :
             {values.m_pUncompressedSize, values.m_pCompressedSize, values.m_pLocalHeaderOffset}) {
            if (value != nullptr && *value == kZip64Marker32) {
                const std::uint64_t read = field.ReadUInt64();
                if (!field.IsValid()) {
                    return false;
                }
                *value = read;
            }
        }
        if (values.m_pStartVolume != nullptr && *values.m_pStartVolume == kZip64Marker16) {
            const std::uint32_t read = field.ReadUInt32();
            if (!field.IsValid()) {
                return false;
            }
            *values.m_pStartVolume = read;
        }
        return true;
    }
    return false;
}

}  // namespace zip
