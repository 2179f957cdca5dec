#include "ZipMethodNames.h"

#include "zip/ZipEntry.h"

namespace install {

bool IsMethodSupported(std::uint16_t method) {
    return method == zip::CZipEntry::kMethodStored || method == zip::CZipEntry::kMethodDeflated;
}

const char* MethodName(std::uint16_t method) {
    switch (method) {
        case 0:
            return "Stored";
        case 1:
            return "Shrunk";
        case 2:
        case 3:
        case 4:
        case 5:
            return "Reduced";
        case 6:
            return "Imploded";
        case 8:
            return "Deflate";
        case 9:
            return "Deflate64";
        case 10:
            return "PKWARE DCL Implode";
        case 12:
            return "bzip2";
        case 14:
            return "LZMA";
        case 18:
            return "IBM TERSE";
        case 19:
            return "IBM LZ77";
        case 93:
            return "Zstandard";
        case 95:
            return "XZ";
        case 96:
            return "JPEG";
        case 97:
            return "WavPack";
        case 98:
            return "PPMd";
        default:
            return "unknown";
    }
}

}  // namespace install
