#include "recover/block_recovery.h"

#include <cstring>

#include "recover/reading_search.h"

namespace {

/// The plain reading of a direction is accepted at once when it has not one
/// period near the boundary nor a split one before the data; otherwise the
/// search decides.
bool plainly_good(const EdgeLog& log, const BlockReading& r) {
    return reading_clean(r, 0) && r.crc_ok && header_unsplit(log, r);
}

}  // namespace

RecoveryOutcome recover_block(const EdgeLog& log, const DirectionChoice& directions,
                              double leader_q, TapeBlock* best, TapeBlock* trial) {
    RecoveryOutcome out;
    out.rising = directions.rising[0];
    const ReaderParams plain;
    BlockReading first[2];
    // The plain reading of each direction first: a clean tape needs no more.
    for (unsigned d = 0; d < directions.count; ++d) {
        read_log(log, directions.rising[d], leader_q, plain, &first[d], d == 0 ? best : trial);
        ++out.readings;
        out.matches += first[d].phase == ReadPhase::kComplete && first[d].crc_ok ? 1 : 0;
        if (d == 0) out.reading = first[0];
        if (!plainly_good(log, first[d])) continue;
        if (d > 0) std::memcpy(best, trial, sizeof *best);
        out.accepted = true;
        out.rising = directions.rising[d];
        out.reading = first[d];
        out.reading.block = best;
        return out;
    }
    for (unsigned d = 0; d < directions.count; ++d) {
        if (search_readings(log, directions.rising[d], leader_q, first[d], &out, best, trial))
            return out;
    }
    // The block reported is the first direction's plain reading, still in `best`.
    return out;
}
