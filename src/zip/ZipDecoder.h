#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace zip {

class CZipAllocationList;

// One compression method's decoder: takes an entry's compressed bytes and
// yields its data. Its memory comes from the allocation list given, so that a
// decoder abandoned by a fault is released with the list; End gives it back in
// good order.
class CZipDecoder {
  public:
    enum EResult {
        kProgress,   // bytes were taken or given; go on
        kStreamEnd,  // the stream has ended
        kStuck,      // no progress: the input ran out before the stream ended
        kCorrupt,    // the compressed data is not valid
        kNoMemory,
        kFailed,  // the library refused for a reason of its own
    };

    virtual ~CZipDecoder() = default;
    // Decodes from in into out, advancing both past what was used.
    virtual EResult Decode(const unsigned char*& in, std::size_t& inLeft, unsigned char*& out,
                           std::size_t& outLeft) = 0;
    virtual void End() = 0;

    // Whether the decoder would rather take the whole entry at once, through
    // DecodeWhole, before decoding it as a stream.
    virtual bool TakesWholeEntry() const { return false; }
    // Decodes all of in into out in one call. True only when the stream ended
    // within in and gave exactly outSize bytes; otherwise out holds nothing of
    // use and the entry is decoded again through Decode, whose verdict counts.
    virtual bool DecodeWhole(const unsigned char* in, std::size_t inSize, unsigned char* out,
                             std::size_t outSize) {
        (void)in, (void)inSize, (void)out, (void)outSize;
        return false;
    }

  protected:
    // Moves both sides past what one library call took and gave.
    static void Advance(const unsigned char*& in, std::size_t& inLeft, std::size_t taken,
                        unsigned char*& out, std::size_t& outLeft, std::size_t given) {
        in += taken;
        inLeft -= taken;
        out += given;
        outLeft -= given;
    }
};

// Entries whose compressed and declared sizes are both at most this are
// decoded whole where a whole-entry decoder is built in; larger ones, and
// every entry without one, as a stream. It bounds the two blocks the reader
// keeps for them, whatever an archive declares.
constexpr std::uint64_t kWholeEntryLimit = 16u << 20;

// Whether the reader has a decoder for a method; stored (0) needs none.
bool IsSupportedZipMethod(int method);

// The decoder for deflated (8), bzip2 (12) or LZMA (14) data, or null for
// another method. The sizes are the entry's declared ones: LZMA needs the
// uncompressed size to find its end, and both decide whether a deflated
// entry is decoded whole. allocations may be null: nothing is tracked then.
std::unique_ptr<CZipDecoder> MakeZipDecoder(int method, std::uint64_t compressedSize,
                                            std::uint64_t uncompressedSize,
                                            CZipAllocationList* allocations);

// The CRC-32 of data after crc, as zlib's crc32 gives it (faster where the
// whole-entry decoder's library is built in).
std::uint32_t UpdateZipCrc(std::uint32_t crc, const unsigned char* data, std::size_t size);

std::unique_ptr<CZipDecoder> MakeInflateDecoder(CZipAllocationList* allocations);
// Deflated data decoded whole by libdeflate, and as a stream by zlib when
// libdeflate refuses it; null when the program is built without libdeflate.
std::unique_ptr<CZipDecoder> MakeWholeInflateDecoder(CZipAllocationList* allocations);
std::unique_ptr<CZipDecoder> MakeBzip2Decoder(CZipAllocationList* allocations);
std::unique_ptr<CZipDecoder> MakeLzmaDecoder(std::uint64_t uncompressedSize,
                                             CZipAllocationList* allocations);

}  // namespace zip
