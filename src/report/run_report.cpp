#include "report/run_report.h"

#include <cstdlib>
#include <cstring>

namespace {

const char* mode_name(const ConverterSettings& s) {
    return s.analyze ? "analyze" : s.recover ? "recover" : "convert";
}

const char* format_name(SampleFormat f) {
    switch (f) {
        case SampleFormat::kUnsigned8:
            return "PCM 8-bit unsigned";
        case SampleFormat::kSigned16:
            return "PCM 16-bit";
        case SampleFormat::kSigned24:
            return "PCM 24-bit";
        case SampleFormat::kSigned32:
            return "PCM 32-bit";
        case SampleFormat::kFloat32:
            return "float 32-bit";
        case SampleFormat::kFloat64:
            return "float 64-bit";
        case SampleFormat::kALaw:
            return "A-law";
        case SampleFormat::kMuLaw:
            return "mu-law";
    }
    return "";
}

void write_options(JsonWriter* w, const ConverterSettings& s) {
    json_begin_object(w, "options");
    json_bool(w, "filter", s.filter);
    json_bool(w, "edge_mode", s.edge_mode);
    json_bool(w, "inverted", s.inverted);
    json_bool(w, "verbose", s.verbose);
    json_number(w, "gain_db", s.gain_db);
    json_int(w, "threshold", s.threshold);
    json_uint_if(w, "forced_rate", s.has_forced_rate, s.forced_rate);
    json_int(w, "channel", s.channel);
    json_bool(w, "channel_given", s.channel_given);
    json_bool(w, "join", s.join);
    json_text(w, "raw_output", s.raw_output_path);
    json_text(w, "plot", s.plot_path);
    json_text(w, "output_dir", s.output_dir);
    json_end_object(w);
}

}  // namespace

bool run_report_open(RunReport* r, const char* path, const ProtectedFiles& protected_files) {
    r->path = path;
    if (!output_file_open(&r->output, path, protected_files)) return false;
    json_start(&r->json, r->output.file);
    json_begin_object(&r->json, nullptr);
    return true;
}

void run_report_start(RunReport* r, const char* version, const ConverterSettings& s) {
    if (r->output.file == nullptr) return;
    json_text(&r->json, "program", "vorlane");
    json_text(&r->json, "version", version);
    json_text(&r->json, "input", s.input_path);
    json_text(&r->json, "mode", mode_name(s));
    write_options(&r->json, s);
}

void run_report_header(RunReport* r, HeaderStatus status, const WavHeader& h, InputStream* in) {
    if (r->output.file == nullptr) return;
    JsonWriter* w = &r->json;
    json_begin_object(w, "wav");
    if (status == HeaderStatus::kNotWav) {
        uint8_t tag[4] = {};
        const size_t got = input_peek_at(in, 0, tag, sizeof tag);
        const bool riff = got == sizeof tag &&
                          (std::memcmp(tag, "RIFF", 4) == 0 || std::memcmp(tag, "RF64", 4) == 0);
        char reason[96];
        std::snprintf(reason, sizeof reason,
                      "unsupported sample format: %u bits per sample (format tag %u)",
                      unsigned{h.bits_per_sample}, unsigned{h.format_tag});
        json_text(w, "refused",
                  !riff                ? "not RIFF or RF64"
                  : h.sample_rate == 0 ? "sample rate of 0 Hz"
                                       : reason);
    } else if (status == HeaderStatus::kNoWaveData) {
        json_text(w, "refused", "no data chunk");
    } else {
        json_null(w, "refused");
    }
    if (status != HeaderStatus::kNotWav || h.sample_rate != 0 || h.channels != 0) {
        json_uint(w, "format_tag", h.format_tag);
        json_text(w, "sample_format",
                  status == HeaderStatus::kNotWav ? nullptr : format_name(h.frame.format));
        json_uint(w, "channels", h.channels);
        json_uint(w, "sample_rate", h.sample_rate);
        json_uint(w, "bits_per_sample", h.bits_per_sample);
        json_uint(w, "block_align", h.block_align);
    }
    if (status == HeaderStatus::kOk) {
        json_uint(w, "data_offset", h.data_start);
        json_uint(w, "data_length", h.data_size);
    }
    json_end_object(w);
}

bool run_report_finish(RunReport* r, unsigned images_written, int exit_code) {
    if (r->path == nullptr) return true;
    if (r->output.file == nullptr) return false;
    JsonWriter* w = &r->json;
    // Back to the record's own level, whatever a section left open.
    json_close_to(w, 1);
    json_begin_object(w, "summary");
    json_uint(w, "images_written", images_written);
    json_int(w, "exit_code", exit_code);
    json_end_object(w);
    json_close_to(w, 0);
    return output_file_close(&r->output);
}
