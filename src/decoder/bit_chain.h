#pragma once

#include <cstdint>

#include "decoder/decoder_state.h"
#include "decoder/stage_limits.h"

/// What follows a rising edge, shared by every way of finding edges: measure
/// the pulse, push a completed bit to the assembler, write a finished block.
void chain_rising_edge(DecoderState* st, uint64_t offset, const StageLimits& lim, bool verbose);

/// Hands the assembler's finished good block to the image writer and counts it.
void chain_emit_block(DecoderState* st);
