#pragma once

// Turns a block the recovering decoder has read into its measurements for
// --analyze: places, fields, verdict, and the periods timed again from the
// edge log in the direction that was read.

#include "recover/block_recovery.h"
#include "recover/recover_tape.h"
#include "recover/tape_measures.h"

/// Describes the block of `outcome` (read from `log`, of `session`) in the
/// next entry of `measures` and adds its periods to the histogram.
void measure_block(const RecoveryOutcome& outcome, const EdgeLog& log, const BlockSession& session,
                   const RecoverInput& input, TapeMeasures* measures);
