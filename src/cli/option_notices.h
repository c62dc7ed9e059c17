#pragma once

#include "settings.h"

/// Writes one notice line to standard error for every long option the
/// settings leave without effect, in the order of the rules in
/// option_notices.cpp. The run goes on as without the notices.
void print_ignored_option_notices(const ConverterSettings& settings);
