#include "recover/edge_log.h"

#include <cstring>

void edge_log_start(EdgeLog* log, const EdgeEvent& ev) {
    log->count = 1;
    log->first_q = ev.q;
    log->last_q = ev.q;
    log->first_rising = ev.rising;
    log->delta[0] = 0;
}

bool edge_log_push(EdgeLog* log, const EdgeEvent& ev) {
    const uint64_t gap = ev.q - log->last_q;
    if (log->count == kMaxLoggedEdges || gap > kMaxEdgeDelta) return false;
    log->delta[log->count++] = static_cast<uint16_t>(gap);
    log->last_q = ev.q;
    return true;
}

void edge_log_trim(EdgeLog* log, uint32_t keep) {
    if (keep >= log->count) return;
    const uint32_t drop = log->count - keep;
    log->first_q = edge_log_time(*log, drop);
    if (drop % 2 != 0) log->first_rising = !log->first_rising;
    std::memmove(log->delta, log->delta + drop, keep * sizeof log->delta[0]);
    log->delta[0] = 0;
    log->count = keep;
}

uint64_t edge_log_time(const EdgeLog& log, uint32_t index) {
    uint64_t q = log.first_q;
    for (uint32_t i = 1; i <= index; ++i) q += log.delta[i];
    return q;
}
