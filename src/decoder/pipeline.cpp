#include "decoder/pipeline.h"

void pipeline_report(BlockSink* sink, const AssemblerState& a, AssemblerEvent event,
                     const BitEvent& ev) {
    switch (event) {
        case AssemblerEvent::kSync:
            sink_sync(sink, ev.offset, ev.time, assembler_leader_average_us(a));
            break;
        case AssemblerEvent::kNameTooLong:
            sink_name_too_long(sink, a.byte_index);
            break;
        case AssemblerEvent::kNamed:
            sink_named(sink, a.block);
            break;
        case AssemblerEvent::kHeader:
            sink_block_header(sink, a.block);
            break;
        case AssemblerEvent::kChecksum:
            sink_checksum(sink, a.block, a.checksum, a.crc_ok);
            break;
        case AssemblerEvent::kBlockDone:
            sink_block_good(sink, a.block);
            break;
        case AssemblerEvent::kNone:
            break;
    }
}

void pipeline_bit(DecoderState* st, const BitEvent& ev, const StageLimits& lim) {
    const AssemblerEvent event =
        assembler_push(&st->assembler, ev, lim.detector.rate, lim.detector.verbose);
    if (event != AssemblerEvent::kNone) pipeline_report(st->sink, st->assembler, event, ev);
}
