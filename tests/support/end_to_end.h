#pragma once

// The one shape of an end-to-end test: a directory set up with files, one run
// of vorlane in it, and everything that must come out, compared exactly. It
// brings the process runner and the recordings the tests make themselves.

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "process_runner.h"
#include "tape_signal.h"

/// Something in the run's directory before the run.
struct GivenEntry {
    enum Kind { kFile, kDirectory, kSymlink, kHardLink };
    std::string name;
    std::string bytes;  ///< a file's contents, or the name a link points to
    Kind kind = kFile;
};

/// One run of vorlane and all it must leave behind.
struct RunCase {
    std::string name;
    std::vector<GivenEntry> given;  ///< set up in the current directory, in this order
    std::vector<std::string> args;  ///< argv[1..]; "$0" in out and err stands for argv[0]
    int exit_code = 0;
    std::string out;
    std::string err;
    /// Files written or replaced by the run: name and bytes, or fingerprint() of
    /// the bytes for a large file. Every other entry of the directory must be
    /// exactly as given, and nothing may appear outside it.
    std::vector<std::pair<std::string, std::string>> made = {};
    std::vector<std::string> removed = {};  ///< given entries the run must take away
    bool synth = false;                     ///< run vorlane-synth instead of vorlane
    bool full_disk = false;  ///< writes past a file's first KiB fail (console output stays below)
};

/// A table of runs; each row is a named case that runs alone with --gtest_filter.
using RunCaseTest = testing::TestWithParam<RunCase>;
/// The case's name, in printable ASCII: the test listing carries it.
inline void PrintTo(const RunCase& c, std::ostream* os) {
    for (char ch : c.name) *os << (ch >= ' ' && ch <= '~' ? ch : '?');
}

/// Runs every case of `cases` as its own test, Suite.Test/<row>_<name>.
#define RUN_CASE_TABLE(Suite, Test, cases) \
    class Suite : public RunCaseTest {};   \
    TEST_P(Suite, Test) {                  \
        check_run(GetParam());             \
    }                                      \
    INSTANTIATE_TEST_SUITE_P(, Suite, testing::ValuesIn(cases), row_name<RunCase>)

/// A case's name from its row number and its label: letters and digits, '_' for the rest.
std::string case_name(size_t row, const std::string& label);
template <class Row>
std::string row_name(const testing::TestParamInfo<Row>& info) {
    return case_name(info.index, info.param.name);
}

/// Space-separated arguments; '' is an empty one.
std::vector<std::string> words(const std::string& text);

/// A case on the recording `wav`, given as in.wav, with `options` before "-i in.wav".
RunCase on_wav(std::string name, const std::string& wav, std::vector<std::string> options,
               int exit_code, std::string out, std::string err,
               std::vector<std::pair<std::string, std::string>> made = {});

/// A recording of `tape` played with the test's own signal and cut after
/// `bytes` bytes of it, on which nothing is written.
RunCase on_tape(std::string name, const std::string& tape, size_t bytes, std::string err);

/// Writes `wav` as in.wav in `dir` and runs vorlane there with `options`
/// (space-separated) before "-i in.wav".
ProcessResult run_on_wav(const ScopedTempDir& dir, const std::string& wav,
                         const std::string& options);

/// Runs the case in a fresh temporary directory and checks every part of it.
void check_run(const RunCase& c);

/// "fnv1a64:<hash> <size>", standing in for a large file's bytes.
std::string fingerprint(const std::string& bytes);

/// How often `part` occurs in `text`.
inline size_t count_of(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = 0; (at = text.find(part, at)) != std::string::npos; ++at) ++n;
    return n;
}

/// Bytes as lower-case hex, two digits a byte.
std::string hex(const std::string& bytes);

/// Every leaf of the JSON file `dir`/`file` as Python's parser reads it, a
/// line each after a newline (tests/data/json_leaves.py, keys as text); ""
/// when it does not parse.
std::string json_leaves(const std::string& dir, const std::string& file);

/// The header report of a "data" tag at `tag_offset`; with a negative
/// `data_size` the report of a scan that tried `tag_offset` offsets and found none.
std::string expected_header_report(unsigned channels, uint32_t rate, unsigned bits,
                                   uint64_t tag_offset, int64_t data_size);

/// The summary line on standard output.
std::string summary(unsigned files);
