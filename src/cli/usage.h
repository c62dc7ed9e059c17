#pragma once

/// Writes the banner and the usage text to standard error.
void print_usage();
