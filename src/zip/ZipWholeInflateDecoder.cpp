// Deflated entries decoded whole by libdeflate, which is about half again as
// fast as zlib's inflate but needs the whole entry in memory. Built without
// libdeflate (it is optional), every entry goes through zlib alone.

#if QUARVEL_HAVE_LIBDEFLATE
#include <libdeflate.h>
#else
#include <zlib.h>
#endif

#include <algorithm>
#include <climits>

#include "ZipDecoder.h"

namespace zip {

#if QUARVEL_HAVE_LIBDEFLATE

namespace {

struct DecompressorFree {
    void operator()(libdeflate_decompressor* decompressor) const {
        libdeflate_free_decompressor(decompressor);
    }
};

// libdeflate for the whole entry; zlib's stream for an entry it refuses, so
// that a damaged entry meets the same check, with the same fault, as with
// zlib alone. zlib is set up only then.
class CZipWholeInflateDecoder : public CZipDecoder {
  public:
    explicit CZipWholeInflateDecoder(CZipAllocationList* allocations)
        : m_pAllocations(allocations) {}

    bool TakesWholeEntry() const override { return true; }

    bool DecodeWhole(const unsigned char* in, std::size_t inSize, unsigned char* out,
                     std::size_t outSize) override {
        if (!m_pDecompressor) {
            m_pDecompressor.reset(libdeflate_alloc_decompressor());
            if (!m_pDecompressor) {
                return false;  // no memory: the stream needs less
            }
        }
        std::size_t taken = 0;
        std::size_t given = 0;
        // Data after the stream's end is left alone, as zlib leaves it.
        return libdeflate_deflate_decompress_ex(m_pDecompressor.get(), in, inSize, out, outSize,
                                                &taken, &given) == LIBDEFLATE_SUCCESS &&
               given == outSize;
    }

    EResult Decode(const unsigned char*& in, std::size_t& inLeft, unsigned char*& out,
                   std::size_t& outLeft) override {
        if (!m_pStream) {
            m_pStream = MakeInflateDecoder(m_pAllocations);
        }
        return m_pStream->Decode(in, inLeft, out, outLeft);
    }

    void End() override {
        if (m_pStream) {
            m_pStream->End();
        }
        m_pDecompressor.reset();
    }

  private:
    CZipAllocationList* m_pAllocations;
    std::unique_ptr<libdeflate_decompressor, DecompressorFree> m_pDecompressor;
    std::unique_ptr<CZipDecoder> m_pStream;
};

}  // namespace

std::unique_ptr<CZipDecoder> MakeWholeInflateDecoder(CZipAllocationList* allocations) {
    return std::make_unique<CZipWholeInflateDecoder>(allocations);
}

std::uint32_t UpdateZipCrc(std::uint32_t crc, const unsigned char* data, std::size_t size) {
    return libdeflate_crc32(crc, data, size);
}

#else

std::unique_ptr<CZipDecoder> MakeWholeInflateDecoder(CZipAllocationList*) {
    return nullptr;
}

std::uint32_t UpdateZipCrc(std::uint32_t crc, const unsigned char* data, std::size_t size) {
    uLong running = crc;
    while (size > 0) {
        const auto part = static_cast<uInt>(std::min<std::size_t>(size, UINT_MAX));
        running = crc32(running, data, part);
        data += part;
        size -= part;
    }
    return static_cast<std::uint32_t>(running);
}

#endif

}  // namespace zip
