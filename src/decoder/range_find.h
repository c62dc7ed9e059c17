#pragma once

// The searches behind the comparator's range scans: the first sample whose
// stored value lies in a range, vectorised where the format allows. They
// are inlined into the detector's scan loop, hence a header.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

#include "decoder/level_scanner.h"
#include "wav/frame_reader.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

/// The first sample from index `i` on for which `in(address)` holds, or
/// `count`, testing one sample at a time.
template <class InRange>
inline size_t range_find_each(const uint8_t* p, size_t i, size_t count, size_t stride, InRange in) {
    for (; i < count; ++i) {
        if (in(p + i * stride)) return i;
    }
    return count;
}

/// The same, four samples per step with one branch: the loop then does not
/// hinge on where the code happens to fall against the fetch lines.
template <class InRange>
inline size_t range_find_strided(const uint8_t* p, size_t i, size_t count, size_t stride,
                                 InRange in) {
    for (; i + 4 <= count; i += 4) {
        const uint8_t* q = p + i * stride;
        const int hits =
            int{in(q)} | int{in(q + stride)} | int{in(q + 2 * stride)} | int{in(q + 3 * stride)};
        if (hits != 0) break;
    }
    return range_find_each(p, i, count, stride, in);
}

inline size_t range_find_u8(const uint8_t* p, size_t count, size_t stride, RawRange range) {
    const auto low = static_cast<uint8_t>(range.low);
    const auto span = static_cast<uint8_t>(range.span);
    size_t i = 0;
#if defined(__SSE2__)
    if (stride == 1) {
        // In range when (value - low) mod 256 <= span, as unsigned bytes.
        const __m128i vlow = _mm_set1_epi8(static_cast<char>(low));
        const __m128i vspan = _mm_set1_epi8(static_cast<char>(span));
        const auto in_range = [&](size_t at) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
            const __m128i t = _mm_sub_epi8(v, vlow);
            return _mm_cmpeq_epi8(_mm_min_epu8(t, vspan), t);
        };
        // Two vectors per step: gaps between pulses are a few dozen samples.
        for (; i + 32 <= count; i += 32) {
            const int low_mask = _mm_movemask_epi8(in_range(i));
            const int high_mask = _mm_movemask_epi8(in_range(i + 16));
            const auto mask = static_cast<unsigned>(low_mask | (high_mask << 16));
            if (mask != 0) return i + static_cast<size_t>(__builtin_ctz(mask));
        }
        for (; i + 16 <= count; i += 16) {
            const int mask = _mm_movemask_epi8(in_range(i));
            if (mask != 0)
                return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
        }
    }
#endif
    return range_find_strided(p, i, count, stride, [low, span](const uint8_t* q) {
        return static_cast<uint8_t>(*q - low) <= span;
    });
}

inline size_t range_find_s16(const uint8_t* p, size_t count, size_t stride, RawRange range) {
    const auto low = static_cast<uint16_t>(range.low);
    const auto span = static_cast<uint16_t>(range.span);
    size_t i = 0;
#if defined(__SSE2__)
    if (stride == 2) {
        // Unsigned 16-bit comparison through a signed one: flip the top bits.
        const __m128i vlow = _mm_set1_epi16(static_cast<short>(low));
        const __m128i bias = _mm_set1_epi16(static_cast<short>(0x8000));
        const __m128i vspan = _mm_xor_si128(_mm_set1_epi16(static_cast<short>(span)), bias);
        for (; i + 8 <= count; i += 8) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 * i));
            const __m128i t = _mm_xor_si128(_mm_sub_epi16(v, vlow), bias);
            const __m128i out = _mm_cmpgt_epi16(t, vspan);
            const int mask = _mm_movemask_epi8(out) ^ 0xFFFF;
            if (mask != 0)
                return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask))) / 2;
        }
    }
#endif
    return range_find_strided(p, i, count, stride, [low, span](const uint8_t* q) {
        return static_cast<uint16_t>(read_le16(q) - low) <= span;
    });
}

/// Any other format: each frame's stored value, decoded and tested.
template <SampleFormat F>
inline size_t range_find_decoded(const uint8_t* p, size_t count, size_t stride, RawRange range) {
    return range_find_strided(p, 0, count, stride, [range](const uint8_t* q) {
        return static_cast<unsigned>(stored_value<F>(q) - range.low) <= range.span;
    });
}

#if defined(__SSE2__)
/// Mono float samples, eight at a time: the index of the first vector that
/// holds a sample in range, for the scalar loop to pin down, or the last
/// whole vector's end.
inline __m128 range_in_bounds(__m128 x, __m128 low, __m128 high, bool nan_in) {
    const __m128 in = _mm_and_ps(_mm_cmpge_ps(x, low), _mm_cmple_ps(x, high));
    return nan_in ? _mm_or_ps(in, _mm_cmpunord_ps(x, x)) : in;
}
inline __m128d range_in_bounds(__m128d x, __m128d low, __m128d high, bool nan_in) {
    const __m128d in = _mm_and_pd(_mm_cmpge_pd(x, low), _mm_cmple_pd(x, high));
    return nan_in ? _mm_or_pd(in, _mm_cmpunord_pd(x, x)) : in;
}
inline size_t range_find_float_vectors(const uint8_t* p, size_t count, float low, float high,
                                       bool nan_in) {
    const __m128 lo = _mm_set1_ps(low), hi = _mm_set1_ps(high);
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const auto* f = reinterpret_cast<const float*>(p + 4 * i);
        const int mask = _mm_movemask_ps(range_in_bounds(_mm_loadu_ps(f), lo, hi, nan_in)) |
                         _mm_movemask_ps(range_in_bounds(_mm_loadu_ps(f + 4), lo, hi, nan_in));
        if (mask != 0) break;
    }
    return i;
}
inline size_t range_find_float_vectors(const uint8_t* p, size_t count, double low, double high,
                                       bool nan_in) {
    const __m128d lo = _mm_set1_pd(low), hi = _mm_set1_pd(high);
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const auto* d = reinterpret_cast<const double*>(p + 8 * i);
        const int mask = _mm_movemask_pd(range_in_bounds(_mm_loadu_pd(d), lo, hi, nan_in)) |
                         _mm_movemask_pd(range_in_bounds(_mm_loadu_pd(d + 2), lo, hi, nan_in));
        if (mask != 0) break;
    }
    return i;
}
#endif

/// The neighbour of x toward zero, for x finite and not zero: one less in the
/// magnitude's bits. A search starts at every comparator move, so this runs
/// far too often for a library call.
template <class T>
inline T range_next_toward_zero(T x) {
    using Bits = std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>;
    return std::bit_cast<T>(std::bit_cast<Bits>(x) - 1);
}

/// Float samples compared as floats: x * 32768 (exact) against the bounds
/// that rounding half away from zero and clamping put on the 16-bit range.
template <class T>
inline size_t range_find_float(const uint8_t* p, size_t count, size_t stride, RawRange range) {
    constexpr T kInfinity = std::numeric_limits<T>::infinity();
    const int high = range.low + static_cast<int>(range.span);
    const T half = static_cast<T>(0.5);
    T low_bound = -kInfinity;
    if (range.low > INT16_MIN) {
        low_bound = static_cast<T>(range.low) - half;
        // At a negative half the rounding goes away from zero, out of the range.
        if (range.low <= 0) low_bound = range_next_toward_zero(low_bound);
    }
    T high_bound = kInfinity;
    if (high < INT16_MAX) {
        high_bound = static_cast<T>(high) + half;
        if (high >= 0) high_bound = range_next_toward_zero(high_bound);
    }
    const bool nan_in = range.low <= 0 && high >= 0;  // NaN reads 0
    // Scaling a bound by a power of two is exact, so x is compared directly.
    const T low_x = low_bound / static_cast<T>(32768);
    const T high_x = high_bound / static_cast<T>(32768);
    const auto in = [=](const uint8_t* q) {
        T x;
        std::memcpy(&x, q, sizeof x);
        return (x >= low_x && x <= high_x) || (nan_in && x != x);
    };
#if defined(__SSE2__)
    if (stride == sizeof(T)) {
        // The vectors stop at the one holding a sample in range: pin it down.
        const size_t i = range_find_float_vectors(p, count, low_x, high_x, nan_in);
        return range_find_each(p, i, count, stride, in);
    }
#endif
    return range_find_strided(p, 0, count, stride, in);
}

/// The first of `count` samples, `stride` bytes apart from `p`, whose stored
/// value of format F lies in `range`, or `count` when none does.
template <SampleFormat F>
inline size_t range_find(const uint8_t* p, size_t count, size_t stride, RawRange range) {
    if (range.empty) return count;
    if constexpr (F == SampleFormat::kUnsigned8) return range_find_u8(p, count, stride, range);
    if constexpr (F == SampleFormat::kSigned16) return range_find_s16(p, count, stride, range);
    if constexpr (F == SampleFormat::kFloat32)
        return range_find_float<float>(p, count, stride, range);
    if constexpr (F == SampleFormat::kFloat64)
        return range_find_float<double>(p, count, stride, range);
    return range_find_decoded<F>(p, count, stride, range);
}
