#include "recover/anchored_reading.h"

#include <cmath>
#include <cstring>

#include "recover/period_model.h"

namespace {

/// A resumed reading starts on a long period at least this sure.
constexpr double kResumeOdds = 1e-2;
/// A glitch merged into the next period makes its bit this doubtful.
constexpr double kGlitchDoubt = 1e-2;
/// Bits before a break that may already have been wrong.
constexpr uint32_t kSuspectBits = 4;
/// A resumed bit must end this close to a whole number of bits after the
/// last sure one, or its place is in doubt and the next long period is tried.
constexpr double kResumeSlack = 0.2;

struct Anchored {
    const PeriodModel* model;
    uint32_t total_bits;
    uint8_t* bytes;
    uint8_t* codes;
    double long_q;
    bool in_step = true;   ///< bits follow one another; false: waiting to resume
    bool pending = false;  ///< first short of a 1 bit seen
    double pending_odds = 0;
    uint32_t pos = 0;         ///< next bit
    uint64_t anchor_q = 0;    ///< time the last sure bit ended
    uint32_t anchor_pos = 0;  ///< the bit after it
    uint32_t byte = 0;        ///< the byte being filled
    uint32_t byte_bits = 0;   ///< its bits read
    double byte_odds = 0;     ///< their summed odds of being wrong
    bool spoiled = false;     ///< a break fell inside it
    double carry_doubt = 0;   ///< from a glitch merged into the next period
};

uint8_t doubt_code(double odds) {
    if (!(odds < 1)) return kUnknownByte;
    const double code = std::floor(-kDoubtCodeSteps * std::log10(odds));
    return static_cast<uint8_t>(std::fmin(255.0, std::fmax(1.0, code)));
}

/// Closes the byte being filled: sure only when all its bits were read in step.
void close_byte(Anchored* a) {
    const bool whole = a->byte_bits == 8 && !a->spoiled;
    a->codes[a->byte] = whole ? doubt_code(a->byte_odds) : kUnknownByte;
    a->byte_bits = 0;
    a->byte_odds = 0;
    a->spoiled = false;
}

void put_bit(Anchored* a, int bit, double odds, uint64_t end_q) {
    if (a->pos >= a->total_bits) return;
    if (a->pos / 8 != a->byte) {
        close_byte(a);
        a->byte = a->pos / 8;
        a->spoiled = a->pos % 8 != 0;  // resumed inside it
    }
    a->bytes[a->byte] = static_cast<uint8_t>(a->bytes[a->byte] << 1 | bit);
    ++a->byte_bits;
    a->byte_odds += odds + a->carry_doubt;
    a->carry_doubt = 0;
    a->anchor_q = end_q;
    a->anchor_pos = ++a->pos;
}

/// Pairing lost or edges missing: the last bits are suspect, the reading
/// waits for a sure long period to resume.
void lose_step(Anchored* a) {
    a->in_step = false;
    a->pending = false;
    a->spoiled = true;
    const uint32_t suspect = a->pos > kSuspectBits ? (a->pos - kSuspectBits) / 8 : 0;
    for (uint32_t b = suspect; b < a->byte; ++b) a->codes[b] = kUnknownByte;
}

/// Resumes on a long period ending at `end_q`: its bit is placed by the time
/// since the last sure bit, when that is a whole number of bits.
void resume(Anchored* a, double odds, uint64_t end_q) {
    const double bits = static_cast<double>(end_q - a->anchor_q) / a->long_q;
    if (std::fabs(bits - std::round(bits)) > kResumeSlack) return;
    const uint32_t at =
        a->anchor_pos + static_cast<uint32_t>(std::lround(std::fmax(bits, 1.0))) - 1;
    if (at > a->pos) a->pos = at;
    a->in_step = true;
    put_bit(a, 0, odds, end_q);
}

void anchored_period(Anchored* a, uint32_t period, uint64_t end_q) {
    const double x = period / a->long_q;
    if (x >= kOverlongRatio) return lose_step(a);
    const bool is_long = x > a->model->boundary;
    const double odds = period_flip_odds(*a->model, x, is_long);
    const double as_long = is_long ? period : 2.0 * period;
    if (!a->in_step) {
        if (!is_long || odds > kResumeOdds) return;
        a->long_q += (as_long - a->long_q) * ReaderParams{}.track_gain;
        return resume(a, odds, end_q);
    }
    a->long_q += (as_long - a->long_q) * ReaderParams{}.track_gain;
    if (!is_long && !a->pending) {
        a->pending = true;
        a->pending_odds = odds;
        return;
    }
    if (is_long && a->pending) return lose_step(a);
    a->pending = false;
    put_bit(a, is_long ? 0 : 1, is_long ? odds : odds + a->pending_odds, end_q);
}

}  // namespace

double byte_doubt(uint8_t code) {
    return code == kUnknownByte ? 1.0 : std::pow(10.0, -code / kDoubtCodeSteps);
}

void read_anchored(const EdgeLog& log, bool rising, double leader_q, const BlockReading& plain,
                   uint8_t* bytes, uint8_t* codes) {
    const uint32_t length = static_cast<uint32_t>(plain.header[2] | plain.header[3] << 8) + 1;
    std::memset(bytes, 0, length);
    std::memset(codes, kUnknownByte, length);
    // The plain reading again up to the end of the header, for the long period there.
    BlockReading r;
    reading_start(&r, leader_q, nullptr);
    const ReaderParams params;
    uint32_t j = edge_log_first(log, rising);
    for (; j + 2 < log.count && r.phase != ReadPhase::kData; j += 2)
        reading_period(&r, edge_log_period(log, j), j + 2, params);
    if (r.phase != ReadPhase::kData) return;
    const PeriodModel model = period_model(plain.stats);
    Anchored a{.model = &model,
               .total_bits = 8 * length,
               .bytes = bytes,
               .codes = codes,
               .long_q = r.long_q};
    uint64_t q = edge_log_time(log, j);
    a.anchor_q = q;
    uint32_t carry = 0;
    for (; j + 2 < log.count && a.pos < a.total_bits; j += 2) {
        const uint32_t period = edge_log_period(log, j) + carry;
        q += log.delta[j + 1] + log.delta[j + 2];
        if (period < kGlitchRatio * a.long_q) {
            carry = period;
            a.carry_doubt += kGlitchDoubt;
            continue;
        }
        carry = 0;
        anchored_period(&a, period, q);
    }
    close_byte(&a);
}
