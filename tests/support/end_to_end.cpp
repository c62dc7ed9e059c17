#include "end_to_end.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <sstream>

namespace {

std::string replace_argv0(std::string text) {
    for (size_t at = text.find("$0"); at != std::string::npos; at = text.find("$0", at + 1))
        text.replace(at, 2, vorlane_binary());
    return text;
}

bool make_entry(const std::string& path, const std::string& cwd, const GivenEntry& e) {
    switch (e.kind) {
        case GivenEntry::kFile:
            return write_file(path, e.bytes);
        case GivenEntry::kDirectory:
            return mkdir(path.c_str(), 0755) == 0;
        case GivenEntry::kSymlink:
            return symlink(e.bytes.c_str(), path.c_str()) == 0;
        case GivenEntry::kHardLink:
            return link((cwd + "/" + e.bytes).c_str(), path.c_str()) == 0;
    }
    return false;
}

/// What an entry left alone by the run must still be: a file's bytes, a
/// link's target, or "" for an empty directory.
std::string entry_state(const std::string& path, const std::string& cwd, const GivenEntry& e) {
    char target[256] = {};
    switch (e.kind) {
        case GivenEntry::kDirectory:
            return list_dir(path).empty() ? "" : "not empty";
        case GivenEntry::kSymlink:
            return readlink(path.c_str(), target, sizeof target - 1) > 0 ? target : "";
        case GivenEntry::kHardLink:
            return read_file(path) == read_file(cwd + "/" + e.bytes) ? e.bytes : "";
        default:
            return read_file(path);
    }
}

}  // namespace

RunCase on_wav(std::string name, const std::string& wav, std::vector<std::string> options,
               int exit_code, std::string out, std::string err,
               std::vector<std::pair<std::string, std::string>> made) {
    options.insert(options.end(), {"-i", "in.wav"});
    return RunCase{std::move(name), {{"in.wav", wav}}, std::move(options), exit_code,
                   std::move(out),  std::move(err),    std::move(made)};
}

std::string case_name(size_t row, const std::string& label) {
    std::string name = std::to_string(row) + "_" + label.substr(0, 48);
    for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

RunCase on_tape(std::string name, const std::string& tape, size_t bytes, std::string err) {
    const std::string wav =
        make_wav(WavFixture{}, tape_payload(tape.substr(0, bytes), TapeSignalOptions{}));
    return on_wav(std::move(name), wav, {}, 0,
                  expected_header_report(1, 44100, 8, 36, wav.size() - 44) + summary(0),
                  std::move(err));
}

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w == "''" ? "" : w);
    return out;
}

ProcessResult run_on_wav(const ScopedTempDir& dir, const std::string& wav,
                         const std::string& options) {
    EXPECT_TRUE(write_file(dir.file("in.wav"), wav));
    return run_process(vorlane_binary(), words(options + " -i in.wav"), dir.path());
}

void check_run(const RunCase& c) {
    // The run happens in <temp>/cwd, so a file written outside the current
    // directory shows up beside cwd.
    ScopedTempDir dir;
    const std::string cwd = dir.file("cwd");
    ASSERT_EQ(mkdir(cwd.c_str(), 0755), 0);
    for (const GivenEntry& e : c.given)
        ASSERT_TRUE(make_entry(cwd + "/" + e.name, cwd, e)) << c.name << ": " << e.name;
    const std::string program = c.synth ? vorlane_synth_binary() : vorlane_binary();
    std::vector<std::string> limited{"-c", "trap '' XFSZ; ulimit -f 2; exec \"$@\"", "sh", program};
    limited.insert(limited.end(), c.args.begin(), c.args.end());
    const ProcessResult r =
        c.full_disk ? run_process("/bin/sh", limited, cwd) : run_process(program, c.args, cwd);
    EXPECT_EQ(r.exit_code, c.exit_code) << c.name;
    EXPECT_EQ(r.out, replace_argv0(c.out)) << c.name;
    EXPECT_EQ(r.err, replace_argv0(c.err)) << c.name;

    std::vector<std::string> expected;
    for (const auto& [file, bytes] : c.made) {
        expected.push_back(file);
        const std::string actual = read_file(cwd + "/" + file);
        const bool large = bytes.rfind("fnv1a64:", 0) == 0;
        EXPECT_EQ(large ? fingerprint(actual) : actual, bytes) << c.name << ": " << file;
        EXPECT_TRUE(has_new_file_mode(cwd + "/" + file)) << c.name << ": " << file;
    }
    for (const GivenEntry& e : c.given) {
        if (std::count(expected.begin(), expected.end(), e.name) ||
            std::count(c.removed.begin(), c.removed.end(), e.name))
            continue;
        expected.push_back(e.name);
        EXPECT_EQ(entry_state(cwd + "/" + e.name, cwd, e), e.bytes) << c.name << ": " << e.name;
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(list_dir(cwd), expected) << c.name;
    EXPECT_EQ(list_dir(dir.path()), std::vector<std::string>{"cwd"}) << c.name;
}

std::string fingerprint(const std::string& bytes) {
    uint64_t hash = 0xcbf29ce484222325u;
    for (char c : bytes) hash = (hash ^ static_cast<uint8_t>(c)) * 0x100000001b3u;
    char text[64];
    std::snprintf(text, sizeof text, "fnv1a64:%016" PRIx64 " %zu", hash, bytes.size());
    return text;
}

std::string expected_header_report(unsigned channels, uint32_t rate, unsigned bits,
                                   uint64_t tag_offset, int64_t data_size) {
    std::string text = "Number of channels: " + std::to_string(channels) +
                       "\nNumber of samples per sec: " + std::to_string(rate) +
                       "\nNumber of bits per sample: " + std::to_string(bits) +
                       "\nUsec per sample: " + std::to_string((rate / 2 + 1000000u) / rate) +
                       "\n." + std::string(tag_offset, '.');
    if (data_size < 0) return text;
    return text + "\nWave data chunk found at offset: " + std::to_string(tag_offset + 4) +
           ".\nWave data length: " + std::to_string(data_size) + " bytes\n";
}

std::string summary(unsigned files) {
    return (files > 0 ? "Finished writing output file(s). " : "") + std::to_string(files) +
           " file(s) created.\n";
}

std::string hex(const std::string& bytes) {
    std::string out;
    char two[3];
    for (char c : bytes) {
        std::snprintf(two, sizeof two, "%02x", static_cast<uint8_t>(c));
        out += two;
    }
    return out;
}

std::string json_leaves(const std::string& dir, const std::string& file) {
    const ProcessResult parsed = run_process(
        "/usr/bin/env",
        {"python3", std::string(VORLANE_TEST_DATA) + "/json_leaves.py", "--text-keys", file}, dir);
    return parsed.exit_code == 0 ? "\n" + parsed.out : "";
}
