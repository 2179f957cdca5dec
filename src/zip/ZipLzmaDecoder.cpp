#include <lzma.h>

#include <algorithm>
#include <vector>

#include "ZipAllocationList.h"
#include "ZipDecoder.h"

namespace zip {
namespace {

// Before the LZMA data: the writer's version (2 bytes), the size of the
// properties (2 bytes) and the properties: lc/lp/pb in one byte, then the
// dictionary size.
constexpr std::size_t kHeaderStart = 4;
constexpr std::size_t kPropertiesSize = 5;
constexpr std::uint32_t kSmallestDictionary = 4096;
constexpr unsigned kLargestPropertyByte = (4 * 5 + 4) * 9 + 8;

void* LzmaAllocate(void* opaque, std::size_t items, std::size_t size) {
    return CZipAllocationList::AllocateBlock(opaque, items, size);
}

// liblzma's raw LZMA decoder, told the entry's size so that a stream ends there
// whether or not the writer put an end marker after it.
class CZipLzmaDecoder : public CZipDecoder {
  public:
    CZipLzmaDecoder(std::uint64_t uncompressedSize, CZipAllocationList* allocations)
        : m_nUncompressedSize(uncompressedSize) {
        m_allocator.alloc = LzmaAllocate;
        m_allocator.free = CZipAllocationList::Free;
        m_allocator.opaque = allocations;
        m_stream.allocator = &m_allocator;
    }

    EResult Decode(const unsigned char*& in, std::size_t& inLeft, unsigned char*& out,
                   std::size_t& outLeft) override {
        if (!m_bStarted) {
            const EResult header = TakeHeader(in, inLeft);
            if (!m_bStarted) {
                return header;
            }
        }
        m_stream.next_in = in;
        m_stream.avail_in = inLeft;
        m_stream.next_out = out;
        m_stream.avail_out = outLeft;
        const lzma_ret result = lzma_code(&m_stream, LZMA_RUN);
        const std::size_t taken = inLeft - m_stream.avail_in;
        const std::size_t given = outLeft - m_stream.avail_out;
        Advance(in, inLeft, taken, out, outLeft, given);
        switch (result) {
            case LZMA_OK:
                // liblzma reports no progress only on the second try: say so at once.
                return taken == 0 && given == 0 ? kStuck : kProgress;
            case LZMA_STREAM_END:
                return kStreamEnd;
            case LZMA_BUF_ERROR:
                return kStuck;
            case LZMA_DATA_ERROR:
            case LZMA_OPTIONS_ERROR:
                return kCorrupt;
            case LZMA_MEM_ERROR:
                return kNoMemory;
            default:
                return kFailed;
        }
    }

    void End() override {
        if (m_bStarted) {
            lzma_end(&m_stream);
            m_bStarted = false;
        }
    }

  private:
    // Gathers the header, which may arrive split across reads, and starts the
    // decoder once it is whole.
    EResult TakeHeader(const unsigned char*& in, std::size_t& inLeft) {
        std::size_t taken = 0;
        const auto take = [&](std::size_t wanted) {
            const std::size_t count = std::min(inLeft, wanted - m_header.size());
            m_header.insert(m_header.end(), in, in + count);
            in += count;
            inLeft -= count;
            taken += count;
        };
        // First the version and the properties' size, then the properties.
        if (m_header.size() < kHeaderStart) {
            take(kHeaderStart);
            if (m_header.size() < kHeaderStart) {
                return taken == 0 ? kStuck : kProgress;
            }
        }
        if ((m_header[2] | (m_header[3] << 8)) != kPropertiesSize) {
            return kCorrupt;
        }
        take(kHeaderStart + kPropertiesSize);
        if (m_header.size() < kHeaderStart + kPropertiesSize) {
            return taken == 0 ? kStuck : kProgress;
        }
        if (m_header[kHeaderStart] > kLargestPropertyByte) {
            return kCorrupt;
        }
        const unsigned char* properties = m_header.data() + kHeaderStart;
        lzma_options_lzma options{};
        options.lc = properties[0] % 9;
        options.lp = properties[0] / 9 % 5;
        options.pb = properties[0] / 45;
        const std::uint32_t dictionary = properties[1] | (properties[2] << 8) |
                                         (properties[3] << 16) |
                                         (static_cast<std::uint32_t>(properties[4]) << 24);
        // No match reaches further back than the entry's size: a larger window
        // would only cost memory, which a hostile header could ask by the gigabyte.
        options.dict_size = static_cast<std::uint32_t>(std::max<std::uint64_t>(
            std::min<std::uint64_t>(dictionary, m_nUncompressedSize), kSmallestDictionary));
        options.ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
        options.ext_size_low = static_cast<std::uint32_t>(m_nUncompressedSize);
        options.ext_size_high = static_cast<std::uint32_t>(m_nUncompressedSize >> 32);
        const lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, &options},
                                       {LZMA_VLI_UNKNOWN, nullptr}};
        const lzma_ret result = lzma_raw_decoder(&m_stream, filters);
        if (result != LZMA_OK) {
            return result == LZMA_MEM_ERROR ? kNoMemory : kCorrupt;
        }
        m_bStarted = true;
        return kProgress;
    }

    std::uint64_t m_nUncompressedSize;
    lzma_allocator m_allocator{};
    lzma_stream m_stream = LZMA_STREAM_INIT;
    std::vector<unsigned char> m_header;
    bool m_bStarted = false;
};

}  // namespace

std::unique_ptr<CZipDecoder> MakeLzmaDecoder(std::uint64_t uncompressedSize,
                                             CZipAllocationList* allocations) {
    return std::make_unique<CZipLzmaDecoder>(uncompressedSize, allocations);
}

}  // namespace zip
