#pragma once

#include <string>
#include <vector>

/// What a finished child process left behind.
struct ProcessResult {
    int exit_code = -1;  ///< the exit status, or 128 + signal number when killed
    std::string out;     ///< everything written to standard output
    std::string err;     ///< everything written to standard error
};

/// Runs `program` with `args` (argv[1..]) in `working_dir`, with standard input
/// closed, and collects both output streams completely.
ProcessResult run_process(const std::string& program, const std::vector<std::string>& args,
                          const std::string& working_dir);

/// Absolute paths of the binaries under test, filled in by the build.
std::string vorlane_binary();
std::string vorlane_synth_binary();

/// Whole-file helpers for fixtures and checks.
bool write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);
/// Names of the entries of a directory, sorted.
std::vector<std::string> list_dir(const std::string& path);
