#pragma once

// Running the binaries under test in a directory of their own, and the
// whole-file helpers the checks use.

#include <functional>
#include <string>
#include <utility>
#include <vector>

/// What a finished child process left behind.
struct ProcessResult {
    int exit_code = -1;  ///< the exit status, or 128 + signal number when killed
    std::string out;     ///< everything written to standard output
    std::string err;     ///< everything written to standard error
};

/// Runs `program` with `args` (argv[1..]) in `working_dir`, standard input
/// from /dev/null, and collects both output streams completely.
ProcessResult run_process(const std::string& program, const std::vector<std::string>& args,
                          const std::string& working_dir);

/// What a run inside this test program left behind.
struct InProcessRun {
    std::string out;                                         ///< standard output
    std::string err;                                         ///< standard error
    std::vector<std::pair<std::string, std::string>> files;  ///< name and bytes, but in.wav
};

/// Runs `body` in a fresh directory holding `wav` as in.wav, with both output
/// streams captured, and collects every file it wrote there.
InProcessRun run_in_scratch_dir(const std::string& wav, const std::function<void()>& body);

/// Absolute paths of the binaries under test, filled in by the build.
inline std::string vorlane_binary() {
    return VORLANE_BINARY;
}
inline std::string vorlane_synth_binary() {
    return VORLANE_SYNTH_BINARY;
}

/// A file of expected output kept under tests/data.
std::string test_data(const std::string& name);

bool write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);
/// The file has the permissions any new file gets under the umask.
bool has_new_file_mode(const std::string& path);
/// Names of the entries of a directory, sorted.
std::vector<std::string> list_dir(const std::string& path);
/// The images (*.htp) in a directory as name and bytes, sorted by name: by start time.
std::vector<std::pair<std::string, std::string>> htp_images(const std::string& path);

/// A fresh temporary directory, removed with all its contents at the end of
/// the scope, so a failed test leaves nothing behind.
struct ScopedTempDir {
    ScopedTempDir();
    ~ScopedTempDir();
    ScopedTempDir(const ScopedTempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::string path_;
};
