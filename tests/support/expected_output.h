#pragma once

#include <cstdint>
#include <string>

/// The banner and usage text exactly as vorlane prints them.
std::string expected_usage();

/// The header report up to and including the line of dots of the data scan.
std::string expected_format_report(unsigned channels, uint32_t rate, unsigned bits);

/// The full report of a header whose "data" tag stands at `tag_offset`.
std::string expected_header_report(unsigned channels, uint32_t rate, unsigned bits,
                                   uint64_t tag_offset, uint32_t data_size);
