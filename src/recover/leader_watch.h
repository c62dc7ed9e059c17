#pragma once

// Watches one channel's edges of one direction for a leader: a run of long
// periods of one steady length. Noise, hum and silence make no such run.

#include <cstdint>

/// Long periods in a row that make a leader (about 80 ms of tape).
constexpr uint32_t kLeaderLockPeriods = 48;

struct LeaderLimits {
    double min_q = 0;  ///< shortest long period at 15% over speed, quarter samples
    double max_q = 0;  ///< longest long period at 15% under speed
};

struct LeaderWatch {
    bool seen = false;    ///< an edge of this direction came before
    uint64_t last_q = 0;  ///< time of that edge
    uint32_t run = 0;     ///< steady long periods in a row
    double mean_q = 0;    ///< their running mean
};

LeaderLimits leader_limits(uint32_t rate);

/// Takes an edge at time q; true when it completes a leader (mean_q then
/// holds its long period).
bool leader_watch_edge(LeaderWatch* w, uint64_t q, const LeaderLimits& lim);
