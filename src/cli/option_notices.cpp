#include "cli/option_notices.h"

#include <cstdio>

namespace {

/// The long options a notice can be about or depend on, as bits.
enum GivenOption : unsigned {
    kGivenJoin = 1u << 0,
    kGivenRecover = 1u << 1,
    kGivenAnalyze = 1u << 2,
    kGivenPlot = 1u << 3,
    kGivenOutputDir = 1u << 4,
    kGivenTake = 1u << 5,
};

/// One option that has no effect: `ignored` was given with every option of
/// `with` and none of `without`. At most one rule fires per ignored option.
struct IgnoredOptionRule {
    unsigned ignored;
    unsigned with;
    unsigned without;
    const char* notice;
};

// --analyze wins over --recover, and both over the default decoder; --join
// acts with either decoder that writes images. A row goes when its option
// starts to act in that company.
constexpr IgnoredOptionRule kIgnoredOptionRules[] = {
    {kGivenRecover, kGivenAnalyze, 0,
     "Note: --recover has no effect with --analyze and is ignored."},
    {kGivenJoin, kGivenAnalyze, 0, "Note: --join has no effect with --analyze and is ignored."},
    {kGivenPlot, 0, kGivenAnalyze, "Note: --plot needs --analyze and is ignored."},
    {kGivenOutputDir, kGivenAnalyze, 0,
     "Note: --output-dir has no effect with --analyze and is ignored."},
    {kGivenTake, kGivenAnalyze, 0, "Note: --take has no effect with --analyze and is ignored."},
};

unsigned given_options(const ConverterSettings& s) {
    return (s.join ? kGivenJoin : 0u) | (s.recover ? kGivenRecover : 0u) |
           (s.analyze ? kGivenAnalyze : 0u) | (s.plot_path != nullptr ? kGivenPlot : 0u) |
           (s.output_dir != nullptr ? kGivenOutputDir : 0u) | (s.take_count > 0 ? kGivenTake : 0u);
}

}  // namespace

void print_ignored_option_notices(const ConverterSettings& settings) {
    const unsigned given = given_options(settings);
    for (const IgnoredOptionRule& rule : kIgnoredOptionRules) {
        const unsigned needed = rule.ignored | rule.with;
        if ((given & needed) == needed && (given & rule.without) == 0)
            std::fprintf(stderr, "%s\n", rule.notice);
    }
}
