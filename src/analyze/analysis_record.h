#pragma once

// --analyze in the run's record (--report): the blocks it found, with what
// each decoder made of them, and the measurements of the report.

#include "analyze/analyze_run.h"
#include "report/json_writer.h"

/// Writes the "blocks" array and the "analysis" object.
void record_analysis(JsonWriter* w, const Analysis& a);
