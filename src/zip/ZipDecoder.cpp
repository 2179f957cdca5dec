#include "ZipDecoder.h"

namespace zip {
namespace {

constexpr int kMethodStored = 0;
constexpr int kMethodDeflated = 8;
constexpr int kMethodBzip2 = 12;
constexpr int kMethodLzma = 14;

}  // namespace

bool IsSupportedZipMethod(int method) {
    return method == kMethodStored || method == kMethodDeflated ||
           (QUARVEL_HAVE_BZIP2 && method == kMethodBzip2) ||
           (QUARVEL_HAVE_LZMA && method == kMethodLzma);
}

std::unique_ptr<CZipDecoder> MakeZipDecoder(int method, std::uint64_t compressedSize,
                                            std::uint64_t uncompressedSize,
                                            CZipAllocationList* allocations) {
#if !QUARVEL_HAVE_LZMA
    static_cast<void>(uncompressedSize);
#endif
    switch (method) {
        case kMethodDeflated:
            // An empty entry gains nothing from being decoded whole.
            if (compressedSize > 0 && compressedSize <= kWholeEntryLimit && uncompressedSize > 0 &&
                uncompressedSize <= kWholeEntryLimit) {
                if (auto whole = MakeWholeInflateDecoder(allocations)) {
                    return whole;
                }
            }
            return MakeInflateDecoder(allocations);
#if QUARVEL_HAVE_BZIP2
        case kMethodBzip2:
            return MakeBzip2Decoder(allocations);
#endif
#if QUARVEL_HAVE_LZMA
        case kMethodLzma:
            return MakeLzmaDecoder(uncompressedSize, allocations);
#endif
        default:
            return nullptr;
    }
}

}  // namespace zip
