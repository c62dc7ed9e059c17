#include "analyze/svg_plot.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "analyze/analysis_report.h"
#include "analyze/pulse_histogram.h"
#include "image/output_file.h"
#include "tape/name_text.h"

namespace {

// The picture's layout in pixels: two panels of the same width.
constexpr int kWidth = 960;
constexpr int kHeight = 600;
constexpr int kLeft = 60;
constexpr int kPlotWidth = 860;
constexpr int kHistTop = 50;
constexpr int kHistHeight = 200;
constexpr int kTimeTop = 340;
constexpr int kTimeHeight = 200;
constexpr unsigned kHistTickUs = 500;
/// Time ticks: the first step that makes at most this many.
constexpr int kMaxTimeTicks = 10;
constexpr int kTimeSteps[] = {1, 2, 5, 10, 20, 30, 60, 120, 300, 600, 1200, 1800, 3600};
constexpr char kForeignLabel[] = "no block";

int hist_x(double us) {
    return kLeft + static_cast<int>(us * kPlotWidth / (kPeriodBuckets * kPeriodBucketUs));
}

void svg_histogram(FILE* f, const TapeMeasures& t) {
    const HistogramMarks m = histogram_marks(t);
    const int base = kHistTop + kHistHeight;
    std::fprintf(f, "<text x=\"%d\" y=\"%d\">Pulse lengths (log count), us</text>\n", kLeft,
                 kHistTop - 20);
    std::fprintf(f, "<rect class=\"frame\" x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\"/>\n", kLeft,
                 kHistTop, kPlotWidth, kHistHeight);
    for (unsigned b = 0; b < kPeriodBuckets; ++b) {
        const unsigned h = log_bar(t.period_counts[b], m.largest, kHistHeight);
        if (h == 0) continue;
        const int x = hist_x(b * kPeriodBucketUs);
        std::fprintf(f, "<rect class=\"bar\" x=\"%d\" y=\"%u\" width=\"%d\" height=\"%u\"/>\n", x,
                     base - h, hist_x((b + 1) * kPeriodBucketUs) - x - 1, h);
    }
    const struct {
        double us;
        const char* cls;
        const char* label;
    } lines[] = {{kNominalShortUs, "nominal", "short 816"},
                 {kNominalLongUs, "nominal", "long 1633"},
                 {m.threshold_us, "threshold", "threshold"}};
    for (const auto& l : lines) {
        const int x = hist_x(l.us);
        std::fprintf(f, "<line class=\"%s\" x1=\"%d\" y1=\"%d\" x2=\"%d\" y2=\"%d\"/>\n", l.cls, x,
                     kHistTop, x, base);
        std::fprintf(f, "<text x=\"%d\" y=\"%d\">%s</text>\n", x + 3, kHistTop + 12, l.label);
    }
    for (unsigned us = 0; us <= kPeriodBuckets * kPeriodBucketUs; us += kHistTickUs)
        std::fprintf(f, "<text x=\"%d\" y=\"%d\">%u</text>\n", hist_x(us), base + 15, us);
}

int time_x(double seconds, double total) {
    if (total <= 0) return kLeft;
    const double x = seconds / total * kPlotWidth;
    return kLeft + static_cast<int>(x < 0 ? 0 : (x > kPlotWidth ? kPlotWidth : x));
}

/// A label for the lower panel: a block's escaped name, or a foreign stretch.
struct Label {
    int x = 0;
    char text[escaped_text_bytes(kMaxNameBytes)] = {};
};

constexpr unsigned kMaxLabels = kMaxMeasuredBlocks + kMaxForeignStretches;
/// Labels go in rows below the panel's top; one that fits in no row is left
/// out (its band keeps the name as a tooltip), so no two overlap.
constexpr int kLabelRows = 4;
constexpr int kLabelRowHeight = 12;
/// Wider than a character of the labels' 11 px monospace font (0.6 em), and
/// the space between two labels.
constexpr int kLabelCharWidth = 7;
constexpr int kLabelGap = 4;

unsigned measured_blocks(const TapeMeasures& t) {
    return t.blocks_found < kMaxMeasuredBlocks ? t.blocks_found : kMaxMeasuredBlocks;
}

unsigned foreign_stretches(const Analysis& a) {
    if (!a.foreign_scanned) return 0;
    return a.foreign.found < kMaxForeignStretches ? a.foreign.found : kMaxForeignStretches;
}

void block_name_text(const BlockMeasure& b, char* text, size_t bytes) {
    escape_name(reinterpret_cast<const uint8_t*>(b.name), std::strlen(b.name), text, bytes);
}

void svg_band(FILE* f, const char* cls, int x, int w, const char* name, const char* title) {
    std::fprintf(f, "<rect class=\"band %s\" x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\">", cls, x,
                 kTimeTop, std::max(w, 1), kTimeHeight);
    std::fprintf(f, "<title>");
    svg_write_text(f, name);
    std::fprintf(f, ": %s</title></rect>\n", title);
}

/// The bands of the blocks and of the signal without a block.
void svg_bands(FILE* f, const Analysis& a, double total) {
    const TapeMeasures& t = a.tape;
    char text[escaped_text_bytes(kMaxNameBytes)];
    for (unsigned i = 0; i < measured_blocks(t); ++i) {
        const BlockMeasure& b = t.blocks[i];
        const int x = time_x(b.leader.seconds, total);
        const char* cls = b.verdict == BlockVerdict::kGood        ? "good"
                          : b.verdict == BlockVerdict::kRecovered ? "recovered"
                                                                  : "bad";
        block_name_text(b, text, sizeof text);
        svg_band(f, cls, x, time_x(b.end.seconds, total) - x, text, verdict_name(b.verdict));
    }
    for (unsigned i = 0; i < foreign_stretches(a); ++i) {
        const ForeignStretch& s = a.foreign.stretches[i];
        const int x = time_x(s.start, total);
        svg_band(f, "foreign", x, time_x(s.end, total) - x, kForeignLabel,
                 "signal without a block");
    }
}

/// The labels, in order along the time axis, each in the first row free at its place.
void svg_labels(FILE* f, const Analysis& a, double total) {
    Label labels[kMaxLabels];
    unsigned n = 0;
    for (unsigned i = 0; i < measured_blocks(a.tape); ++i, ++n) {
        labels[n].x = time_x(a.tape.blocks[i].leader.seconds, total) + 2;
        block_name_text(a.tape.blocks[i], labels[n].text, sizeof labels[n].text);
    }
    for (unsigned i = 0; i < foreign_stretches(a); ++i, ++n) {
        labels[n].x = time_x(a.foreign.stretches[i].start, total) + 2;
        std::snprintf(labels[n].text, sizeof labels[n].text, "%s", kForeignLabel);
    }
    std::stable_sort(labels, labels + n, [](const Label& l, const Label& r) { return l.x < r.x; });
    int free_from[kLabelRows];
    std::fill(free_from, free_from + kLabelRows, kLeft);
    for (unsigned i = 0; i < n; ++i) {
        const int width = static_cast<int>(std::strlen(labels[i].text)) * kLabelCharWidth;
        int row = 0;
        while (row < kLabelRows && free_from[row] > labels[i].x) ++row;
        if (row == kLabelRows) continue;
        free_from[row] = labels[i].x + width + kLabelGap;
        std::fprintf(f, "<text class=\"name\" x=\"%d\" y=\"%d\">", labels[i].x,
                     kTimeTop + kLabelRowHeight * (row + 1));
        svg_write_text(f, labels[i].text);
        std::fprintf(f, "</text>\n");
    }
}

/// One stroke from minimum to maximum per column, placed by the time the
/// column starts: after the columns have halved, they no longer fill the plot.
void svg_envelope(FILE* f, const Envelope& e, double column_frames, double total_frames) {
    int peak = 1;
    for (unsigned i = 0; i < e.columns; ++i)
        peak = std::max(peak, std::max(std::abs(int{e.low[i]}), std::abs(int{e.high[i]})));
    const int mid = kTimeTop + kTimeHeight / 2;
    std::fprintf(f, "<path class=\"envelope\" d=\"");
    for (unsigned i = 0; i < e.columns; ++i) {
        const int x = kLeft + static_cast<int>(i * column_frames * kPlotWidth / total_frames);
        const int top = mid - e.high[i] * (kTimeHeight / 2) / peak;
        const int bottom = mid - e.low[i] * (kTimeHeight / 2) / peak;
        std::fprintf(f, "M%d %dV%d", x, top, bottom == top ? top + 1 : bottom);
    }
    std::fprintf(f, "\"/>\n");
}

void svg_timeline(FILE* f, const Analysis& a) {
    const double total = a.rate > 0 ? static_cast<double>(a.frames) / a.rate : 0;
    std::fprintf(f,
                 "<text x=\"%d\" y=\"%d\">Envelope of channel %u (scaled to its peak), s</text>\n",
                 kLeft, kTimeTop - 20, a.levels.envelope_channel + 1);
    std::fprintf(f, "<rect class=\"frame\" x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\"/>\n", kLeft,
                 kTimeTop, kPlotWidth, kTimeHeight);
    svg_bands(f, a, total);
    const double column_frames =
        static_cast<double>(a.levels.envelope.windows_per_column) * a.levels.window_frames;
    svg_envelope(f, a.levels.envelope, column_frames,
                 std::max(static_cast<double>(a.frames), column_frames));
    svg_labels(f, a, total);
    int step = kTimeSteps[0];
    for (int s : kTimeSteps) {
        step = s;
        if (total / s <= kMaxTimeTicks) break;
    }
    for (int s = 0; s <= total; s += step)
        std::fprintf(f, "<text x=\"%d\" y=\"%d\">%d</text>\n", time_x(s, total),
                     kTimeTop + kTimeHeight + 15, s);
    std::fprintf(f,
                 "<text x=\"%d\" y=\"%d\">green: good, orange: recovered, red: CRC error or "
                 "unreadable, grey: signal without a block</text>\n",
                 kLeft, kHeight - 15);
}

/// The whole picture; a failed write shows in the stream's error flag.
void write_document(FILE* f, const Analysis& a) {
    std::fprintf(f,
                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
                 "viewBox=\"0 0 %d %d\">\n",
                 kWidth, kHeight, kWidth, kHeight);
    std::fprintf(f,
                 "<style>text{font:11px sans-serif}.frame{fill:none;stroke:#888}"
                 ".bar{fill:#4a7ab5}.nominal{stroke:#333;stroke-dasharray:4 3}"
                 ".threshold{stroke:#c00;stroke-dasharray:2 "
                 "2}.envelope{stroke:#222;fill:none}.name{font:bold 11px monospace;fill:#05a}"
                 ".band{fill-opacity:0.35}.good{fill:#2a2}.recovered{fill:#e90}.bad{fill:#d22}"
                 ".foreign{fill:#999}"
                 "</style>\n<rect width=\"100%%\" height=\"100%%\" fill=\"#fff\"/>\n");
    svg_histogram(f, a.tape);
    if (a.levels_measured) svg_timeline(f, a);
    std::fprintf(f, "</svg>\n");
}

}  // namespace

void svg_write_text(FILE* f, const char* text) {
    for (const char* p = text; *p != '\0'; ++p) {
        switch (*p) {
            case '&':
                std::fputs("&amp;", f);
                break;
            case '<':
                std::fputs("&lt;", f);
                break;
            case '>':
                std::fputs("&gt;", f);
                break;
            case '"':
                std::fputs("&quot;", f);
                break;
            default:
                std::fputc(*p >= 0x20 && *p <= 0x7E ? *p : '?', f);
        }
    }
}

bool write_svg_plot(const Analysis& a, const char* path, const ProtectedFiles& protected_files) {
    OutputFile out;
    if (!output_file_open(&out, path, protected_files)) return false;
    write_document(out.file, a);
    return output_file_close(&out);
}
