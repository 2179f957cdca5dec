#include "ZipDecoder.h"

namespace zip {
namespace {

constexpr int kMethodStored = 0;
constexpr int kMethodDeflated = 8;
constexpr int kMethodBzip2 = 12;
constexpr int kMethodLzma = 14;

}  // namespace

bool IsSupportedZipMethod(int method) {
    return method == kMethodStored || method == kMethodDeflated || method == kMethodBzip2 ||
           method == kMethodLzma;
}

std::unique_ptr<CZipDecoder> MakeZipDecoder(int method, std::uint64_t uncompressedSize,
                                            CZipAllocationList* allocations) {
    switch (method) {
        case kMethodDeflated:
            return MakeInflateDecoder(allocations);
        case kMethodBzip2:
            return MakeBzip2Decoder(allocations);
        case kMethodLzma:
            return MakeLzmaDecoder(uncompressedSize, allocations);
        default:
            return nullptr;
    }
}

}  // namespace zip
