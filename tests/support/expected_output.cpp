#include "expected_output.h"

std::string expected_usage() {
    return "\nvorlane v1.0\n"
           "Homelab/Aircomp family PCM WAV to HTP tape image converter.\n\n"
           "    Usage:  vorlane [flags] -i input-file\n"
           "\n"
           "        -f           enable simple HP-LP filtering (50 Hz and 7.5 kHz cutoff)\n"
           "        -g <value>   amplify signal by <value> dB\n"
           "        -h           display this help\n"
           "        -m           use edge detection rather than hysteresis\n"
           "        -r           invert input signal\n"
           "        -s <value>   force sample rate of <value>\n"
           "        -t <value>   set comparison threshold to <value>% of dynamic range (0..100)\n"
           "\n"
           "        -v           verbose screen output\n"
           "    error levels: 0 = no error, 1 = help shown or I/O error, 2 = parameter error,\n"
           "                  4 = input file cannot be opened, 5 = not a valid WAV file,\n"
           "                  6 = no wave data found\n"
           "\n"
           "\t- 'input-file' needs to be a valid 8 or 16 bit PCM WAV file.\n";
}

std::string expected_format_report(unsigned channels, uint32_t rate, unsigned bits) {
    const uint32_t usec = (rate / 2 + 1000000u) / rate;
    return "Number of channels: " + std::to_string(channels) +
           "\nNumber of samples per sec: " + std::to_string(rate) +
           "\nNumber of bits per sample: " + std::to_string(bits) +
           "\nUsec per sample: " + std::to_string(usec) + "\n.";
}

std::string expected_header_report(unsigned channels, uint32_t rate, unsigned bits,
                                   uint64_t tag_offset, uint32_t data_size) {
    return expected_format_report(channels, rate, bits) + std::string(tag_offset, '.') +
           "\nWave data chunk found at offset: " + std::to_string(tag_offset + 4) +
           ".\nWave data length: " + std::to_string(data_size) + " bytes\n";
}
