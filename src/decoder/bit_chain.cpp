#include "decoder/bit_chain.h"

#include "decoder/block_assembler.h"
#include "decoder/pulse_detector.h"
#include "image/image_writer.h"

void chain_emit_block(DecoderState* st) {
    if (write_image(st->assembler.block, st->position.protected_files)) {
        ++st->position.files_written;
    } else {
        st->position.image_failed = true;
    }
}

void chain_rising_edge(DecoderState* st, uint64_t offset, const StageLimits& lim, bool verbose) {
    const PulseContext ctx{st->position.data_start, verbose,
                           st->assembler.phase == AssemblerPhase::kSeekSync};
    BitEvent ev;
    if (!pulse_detector_edge(&st->pulses, offset, lim, ctx, &ev)) return;
    if (assembler_push(&st->assembler, ev, lim, verbose, &st->pulses.warning_budget))
        chain_emit_block(st);
}
