#include "models/Adler32.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr uint32_t kModulus = 65521;
// The most bytes zlib sums before taking the modulus, in whole 16-byte chunks: the sums of
// a block stay within their lanes and within 64 bits.
constexpr size_t kBlockBytes = 5552 / 16 * 16;

#if defined(__SSE2__)
uint32_t LaneSum(__m128i v)
{
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
    return static_cast<uint32_t>(_mm_cvtsi128_si32(v));
}
#endif

}  // namespace

uint32_t Adler32(uint32_t adler, const uint8_t* bytes, size_t length)
{
    uint64_t a = adler & 0xffff;
    uint64_t b = adler >> 16;
#if defined(__SSE2__)
    // Over a chunk of 16 bytes x0..x15: a grows by their sum, b by 16 a (a before the chunk)
    // plus 16 x0 + 15 x1 + ... + 1 x15.
    const __m128i zero = _mm_setzero_si128();
    const __m128i weightsLow = _mm_setr_epi16(16, 15, 14, 13, 12, 11, 10, 9);
    const __m128i weightsHigh = _mm_setr_epi16(8, 7, 6, 5, 4, 3, 2, 1);
    while (length >= 16) {
        const size_t block = length < kBlockBytes ? length / 16 * 16 : kBlockBytes;
        __m128i sums = zero;      // the bytes' sum, a - a at the block's start
        __m128i earlier = zero;   // the sum of `sums` before each chunk
        __m128i weighted = zero;  // the chunks' own share of b
        for (size_t at = 0; at < block; at += 16) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at));
            earlier = _mm_add_epi32(earlier, sums);
            sums = _mm_add_epi32(sums, _mm_sad_epu8(chunk, zero));
            weighted =
                _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpacklo_epi8(chunk, zero), weightsLow));
            weighted = _mm_add_epi32(weighted,
                                     _mm_madd_epi16(_mm_unpackhi_epi8(chunk, zero), weightsHigh));
        }
        b += a * block + 16 * uint64_t{LaneSum(earlier)} + LaneSum(weighted);
        a += LaneSum(sums);
        a %= kModulus;
        b %= kModulus;
        bytes += block;
        length -= block;
    }
#endif
    while (length > 0) {
        const size_t block = length < kBlockBytes ? length : kBlockBytes;
        for (size_t i = 0; i < block; ++i) {
            a += bytes[i];
            b += a;
        }
        a %= kModulus;
        b %= kModulus;
        bytes += block;
        length -= block;
    }
    return static_cast<uint32_t>(b << 16 | a);
}
