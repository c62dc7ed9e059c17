#include "decoder/level_scanner.h"

#include "decoder/conditioner.h"
#include "wav/sample_reader.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

/// Comparator input of a raw value when conditioning is a pure function.
double comparator_input(int raw, const StageLimits& lim, uint16_t mask) {
    int h = 0;
    if (lim.sample_bytes == 2) {
        const uint8_t bytes[2] = {static_cast<uint8_t>(raw & 0xFF),
                                  static_cast<uint8_t>((raw >> 8) & 0xFF)};
        h = sample_from_s16(bytes, mask);
    } else {
        h = sample_from_u8(static_cast<uint8_t>(raw), mask);
    }
    ConditionerState unused;
    return conditioner_step(&unused, h, lim, ConditionerMode{}).comparator_input;
}

/// Collects the raw values for which `in_set` holds into one range; fails if
/// they are not contiguous.
template <class Predicate>
bool collect_range(int first, int last, Predicate in_set, RawRange* out) {
    *out = RawRange{};
    bool closed = false;
    for (int v = first; v <= last; ++v) {
        if (!in_set(v)) {
            if (!out->empty) closed = true;
            continue;
        }
        if (closed) return false;
        if (out->empty) {
            out->empty = false;
            out->low = v;
        }
        out->span = static_cast<unsigned>(v - out->low);
    }
    return true;
}

}  // namespace

LevelRanges level_ranges(const StageLimits& lim, uint16_t mask) {
    LevelRanges r;
    const int first = lim.sample_bytes == 2 ? -32768 : 0;
    const int last = lim.sample_bytes == 2 ? 32767 : 255;
    const bool falls_ok = collect_range(
        first, last, [&](int v) { return comparator_input(v, lim, mask) < kFallLevel; }, &r.falls);
    const bool rises_ok = collect_range(
        first, last, [&](int v) { return comparator_input(v, lim, mask) > lim.rise_level; },
        &r.rises);
    r.usable = falls_ok && rises_ok;
    return r;
}

size_t find_u8_in_range(const uint8_t* p, size_t count, size_t stride, RawRange range) {
    if (range.empty) return count;
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
    for (; i < count; ++i) {
        if (static_cast<uint8_t>(p[i * stride] - low) <= span) return i;
    }
    return count;
}

size_t find_s16_in_range(const uint8_t* p, size_t count, size_t stride, RawRange range) {
    if (range.empty) return count;
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
    for (; i < count; ++i) {
        const uint8_t* s = p + i * stride;
        const auto v = static_cast<uint16_t>(s[0] | (s[1] << 8));
        if (static_cast<uint16_t>(v - low) <= span) return i;
    }
    return count;
}
