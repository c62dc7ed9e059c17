#pragma once

// The console lines of a recovered (or failed) block: the same lines as the
// default mode, so scripts keep working, plus one line saying what helped.

#include "recover/block_recovery.h"
#include "recover/recover_tape.h"

/// Prints the block's lines as far as its reading got, the help line of an
/// accepted reading that needed help, and writes the image of an accepted
/// reading, counting it in `summary`.
void report_block(const RecoveryOutcome& outcome, const EdgeLog& log, const RecoverInput& input,
                  RecoverSummary* summary);
