#include <zlib.h>

#include <algorithm>

#include "ZipAllocationList.h"
#include "ZipDecoder.h"

namespace zip {
namespace {

// zlib's raw inflate: deflate data without a zlib header, a 32 KB window.
class CZipInflateDecoder : public CZipDecoder {
  public:
    explicit CZipInflateDecoder(CZipAllocationList* allocations) {
        m_stream.zalloc = CZipAllocationList::Allocate;
        m_stream.zfree = CZipAllocationList::Free;
        m_stream.opaque = allocations;
        m_nInitResult = inflateInit2(&m_stream, -MAX_WBITS);
    }

    EResult Decode(const unsigned char*& in, std::size_t& inLeft, unsigned char*& out,
                   std::size_t& outLeft) override {
        if (m_nInitResult != Z_OK) {
            return m_nInitResult == Z_MEM_ERROR ? kNoMemory : kFailed;
        }
        // zlib counts in 32 bits; a caller's larger block is taken in parts.
        m_stream.next_in = const_cast<unsigned char*>(in);
        m_stream.avail_in = static_cast<uInt>(std::min<std::size_t>(inLeft, UINT32_MAX));
        m_stream.next_out = out;
        m_stream.avail_out = static_cast<uInt>(std::min<std::size_t>(outLeft, UINT32_MAX));
        const uInt inBefore = m_stream.avail_in;
        const uInt outBefore = m_stream.avail_out;
        const int result = inflate(&m_stream, Z_SYNC_FLUSH);
        Advance(in, inLeft, inBefore - m_stream.avail_in, out, outLeft,
                outBefore - m_stream.avail_out);
        switch (result) {
            case Z_OK:
                return kProgress;
            case Z_STREAM_END:
                return kStreamEnd;
            case Z_BUF_ERROR:
                return kStuck;
            case Z_DATA_ERROR:
            case Z_NEED_DICT:  // a raw stream cannot ask for a dictionary
                return kCorrupt;
            case Z_MEM_ERROR:
                return kNoMemory;
            default:
                return kFailed;
        }
    }

    void End() override {
        if (m_nInitResult == Z_OK) {
            inflateEnd(&m_stream);
            m_nInitResult = Z_STREAM_ERROR;
        }
    }

  private:
    z_stream m_stream{};
    int m_nInitResult;
};

}  // namespace

std::unique_ptr<CZipDecoder> MakeInflateDecoder(CZipAllocationList* allocations) {
    return std::make_unique<CZipInflateDecoder>(allocations);
}

}  // namespace zip
