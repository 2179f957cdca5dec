#include <bzlib.h>

#include <algorithm>
#include <climits>

#include "ZipAllocationList.h"
#include "ZipDecoder.h"

namespace zip {
namespace {

void* Bzip2Allocate(void* opaque, int items, int size) {
    if (items < 0 || size < 0) {
        return nullptr;
    }
    return CZipAllocationList::AllocateBlock(opaque, static_cast<std::size_t>(items),
                                             static_cast<std::size_t>(size));
}

// libbz2's decompressor over one bzip2 stream.
class CZipBzip2Decoder : public CZipDecoder {
  public:
    explicit CZipBzip2Decoder(CZipAllocationList* allocations) {
        m_stream.bzalloc = Bzip2Allocate;
        m_stream.bzfree = CZipAllocationList::Free;
        m_stream.opaque = allocations;
        m_nInitResult = BZ2_bzDecompressInit(&m_stream, 0, 0);
    }

    EResult Decode(const unsigned char*& in, std::size_t& inLeft, unsigned char*& out,
                   std::size_t& outLeft) override {
        if (m_nInitResult != BZ_OK) {
            return m_nInitResult == BZ_MEM_ERROR ? kNoMemory : kFailed;
        }
        m_stream.next_in = reinterpret_cast<char*>(const_cast<unsigned char*>(in));
        m_stream.avail_in = static_cast<unsigned>(std::min<std::size_t>(inLeft, UINT_MAX));
        m_stream.next_out = reinterpret_cast<char*>(out);
        m_stream.avail_out = static_cast<unsigned>(std::min<std::size_t>(outLeft, UINT_MAX));
        const unsigned inBefore = m_stream.avail_in;
        const unsigned outBefore = m_stream.avail_out;
        const int result = BZ2_bzDecompress(&m_stream);
        const unsigned taken = inBefore - m_stream.avail_in;
        const unsigned given = outBefore - m_stream.avail_out;
        Advance(in, inLeft, taken, out, outLeft, given);
        switch (result) {
            case BZ_OK:
                // libbz2 reports no progress as success: say so, or the caller loops.
                return taken == 0 && given == 0 ? kStuck : kProgress;
            case BZ_STREAM_END:
                return kStreamEnd;
            case BZ_DATA_ERROR:
            case BZ_DATA_ERROR_MAGIC:
                return kCorrupt;
            case BZ_MEM_ERROR:
                return kNoMemory;
            default:
                return kFailed;
        }
    }

    void End() override {
        if (m_nInitResult == BZ_OK) {
            BZ2_bzDecompressEnd(&m_stream);
            m_nInitResult = BZ_SEQUENCE_ERROR;
        }
    }

  private:
    bz_stream m_stream{};
    int m_nInitResult;
};

}  // namespace

std::unique_ptr<CZipDecoder> MakeBzip2Decoder(CZipAllocationList* allocations) {
    return std::make_unique<CZipBzip2Decoder>(allocations);
}

}  // namespace zip
