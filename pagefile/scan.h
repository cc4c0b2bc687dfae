#pragma once
// The loops a page's text spends its time in, eight characters at a step where the
// processor allows: a page is mostly long runs of letters between few tags.
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pagefile {

// The first place in [p, end) that holds a or b; end when none does.
inline const char16_t* findEither(const char16_t* p, const char16_t* end, char16_t a, char16_t b) {
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi16(short(a)), vb = _mm_set1_epi16(short(b));
    while (end - p >= 8) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int m = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(x, va), _mm_cmpeq_epi16(x, vb)));
        if (m)
            return p + (__builtin_ctz(unsigned(m)) >> 1);
        p += 8;
    }
#endif
    while (p < end && *p != a && *p != b)
        ++p;
    return p;
}

// The first place in [p, end) that holds c; end when none does.
inline const char16_t* find(const char16_t* p, const char16_t* end, char16_t c) {
#if defined(__SSE2__)
    const __m128i vc = _mm_set1_epi16(short(c));
    while (end - p >= 8) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int m = _mm_movemask_epi8(_mm_cmpeq_epi16(x, vc));
        if (m)
            return p + (__builtin_ctz(unsigned(m)) >> 1);
        p += 8;
    }
#endif
    while (p < end && *p != c)
        ++p;
    return p;
}

// Past the characters that are surely no blank: printable ASCII and Thai. The first one
// that may be a blank, or end.
inline const char16_t* skipLetters(const char16_t* p, const char16_t* end) {
#if defined(__SSE2__)
    // Unsigned ranges through signed compares: shifted by 0x8000.
    const __m128i bias = _mm_set1_epi16(short(0x8000));
    const __m128i asciiFrom = _mm_set1_epi16(0x21), asciiSpan = _mm_set1_epi16(short(0x5E ^ 0x8000));
    const __m128i thaiFrom = _mm_set1_epi16(0x0E00), thaiSpan = _mm_set1_epi16(short(0x80 ^ 0x8000));
    while (end - p >= 8) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i ascii = _mm_cmplt_epi16(_mm_xor_si128(_mm_sub_epi16(x, asciiFrom), bias), asciiSpan);
        const __m128i thai = _mm_cmplt_epi16(_mm_xor_si128(_mm_sub_epi16(x, thaiFrom), bias), thaiSpan);
        const int m = _mm_movemask_epi8(_mm_or_si128(ascii, thai)) ^ 0xFFFF;
        if (m)
            return p + (__builtin_ctz(unsigned(m)) >> 1);
        p += 8;
    }
#endif
    while (p < end && ((*p >= 0x21 && *p < 0x7F) || (*p >= 0x0E00 && *p < 0x0E80)))
        ++p;
    return p;
}

// The same over bytes, sixteen at a step.
inline const unsigned char* findEither(const unsigned char* p, const unsigned char* end, unsigned char a,
                                       unsigned char b) {
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi8(char(a)), vb = _mm_set1_epi8(char(b));
    while (end - p >= 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int m = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(x, va), _mm_cmpeq_epi8(x, vb)));
        if (m)
            return p + __builtin_ctz(unsigned(m));
        p += 16;
    }
#endif
    while (p < end && *p != a && *p != b)
        ++p;
    return p;
}

inline const unsigned char* find(const unsigned char* p, const unsigned char* end, unsigned char c) {
    const void* hit = p < end ? std::memchr(p, c, size_t(end - p)) : nullptr;
    return hit ? static_cast<const unsigned char*>(hit) : end;
}

} // namespace pagefile
