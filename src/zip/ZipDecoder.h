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

// Whether the reader has a decoder for a method; stored (0) needs none.
bool IsSupportedZipMethod(int method);

// The decoder for deflated (8), bzip2 (12) or LZMA (14) data, or null for
// another method. uncompressedSize is the entry's declared size, which LZMA
// needs to find its end. allocations may be null: nothing is tracked then.
std::unique_ptr<CZipDecoder> MakeZipDecoder(int method, std::uint64_t uncompressedSize,
                                            CZipAllocationList* allocations);

std::unique_ptr<CZipDecoder> MakeInflateDecoder(CZipAllocationList* allocations);
std::unique_ptr<CZipDecoder> MakeBzip2Decoder(CZipAllocationList* allocations);
std::unique_ptr<CZipDecoder> MakeLzmaDecoder(std::uint64_t uncompressedSize,
                                             CZipAllocationList* allocations);

}  // namespace zip
