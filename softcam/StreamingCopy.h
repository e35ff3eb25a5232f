#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace softcam {

// Copies a frame into memory that another process reads later: the stores bypass the cache, so
// the copy neither evicts the decoder's pictures nor reads the destination before writing it.
// The copy is complete and visible before the function returns (the fence orders it before a
// later release store).
inline void copyPastCache(unsigned char* to, const unsigned char* from, std::size_t bytes)
{
#if defined(__SSE2__) || defined(_M_X64)
    std::size_t head = (16 - reinterpret_cast<std::uintptr_t>(to) % 16) % 16;
    if (head > bytes)
        head = bytes;
    std::memcpy(to, from, head);
    std::size_t at = head;
    for (; at + 64 <= bytes; at += 64) {
        const auto* in = reinterpret_cast<const __m128i*>(from + at);
        auto* out = reinterpret_cast<__m128i*>(to + at);
        const __m128i a = _mm_loadu_si128(in);
        const __m128i b = _mm_loadu_si128(in + 1);
        const __m128i c = _mm_loadu_si128(in + 2);
        const __m128i d = _mm_loadu_si128(in + 3);
        _mm_stream_si128(out, a);
        _mm_stream_si128(out + 1, b);
        _mm_stream_si128(out + 2, c);
        _mm_stream_si128(out + 3, d);
    }
    _mm_sfence();
    std::memcpy(to + at, from + at, bytes - at);
#else
    std::memcpy(to, from, bytes);
#endif
}

} // namespace softcam
