#pragma once

// The --analyze report on standard output: the levels of each channel, a
// few lines per block, the pulse-length histogram and one line of advice.

#include "analyze/analyze_run.h"

/// Speed error of a block in percent: positive when the tape ran fast
/// (periods shorter than nominal).
double block_speed_percent(const BlockMeasure& b);

/// The word for a verdict, as the report and the picture show it.
const char* verdict_name(BlockVerdict v);

void print_analysis(const Analysis& a);
