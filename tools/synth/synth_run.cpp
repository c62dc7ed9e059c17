#include <memory>

#include "period_plan.h"
#include "signal_generator.h"
#include "synth.h"
#include "tape_damage.h"
#include "wav_writer.h"

namespace {

constexpr size_t kChunkSamples = 4096;

/// Plans, renders, damages and writes every period: the whole recording, one
/// chunk at a time.
void render_all(const SynthSettings& settings, const PlanInput& input, WavWriter* writer) {
    PlanState plan;
    GeneratorState generator;
    generator_init(&generator, settings);
    DamageState damage;
    damage_init(&damage, settings, plan_bit_periods(input));
    double chunk[kChunkSamples];
    size_t fill = 0;
    for (PeriodEvent period = plan_next(&plan, input, settings);
         period.kind != PeriodKind::kEnd && !wav_writer_failed(*writer);
         period = plan_next(&plan, input, settings)) {
        generator_begin(&generator, period);
        if (period.kind == PeriodKind::kLong || period.kind == PeriodKind::kShort) {
            damage_note_bit_period(&damage, generator.next_sample);
        }
        // A long silence is many chunks: stop inside it too once the output has failed.
        while (!wav_writer_failed(*writer)) {
            const size_t n = generator_render(&generator, chunk + fill, kChunkSamples - fill);
            damage_apply(&damage, chunk + fill, n);
            fill += n;
            if (fill == kChunkSamples) {
                wav_writer_put(writer, chunk, fill);
                fill = 0;
            } else if (n == 0) {
                break;
            }
        }
    }
    wav_writer_put(writer, chunk, fill);
}

}  // namespace

int synth_write_wav(const SynthSettings& settings, const SynthImage* images, size_t image_count,
                    const char* out_path, char* message, size_t message_bytes) {
    int status = synth_check_settings(settings, message, message_bytes);
    if (status != kSynthOk) return status;
    if (image_count == 0 || image_count > kMaxSynthImages) {
        synth_message(message, message_bytes, "%zu images: between 1 and %zu can be played",
                      image_count, kMaxSynthImages);
        return kSynthParameter;
    }
    for (size_t i = 0; i < image_count; ++i) {
        status = htp_check(images[i], message, message_bytes);
        if (status != kSynthOk) return status;
    }
    // On the heap with its buffer: the stack stays small for any thread.
    const auto writer = std::make_unique<WavWriter>();
    status = wav_writer_open(writer.get(), out_path, wav_layout_of(settings),
                             settings.signal_channel, message, message_bytes);
    if (status != kSynthOk) return status;
    render_all(settings, PlanInput{images, image_count}, writer.get());
    return wav_writer_finish(writer.get(), message, message_bytes);
}
